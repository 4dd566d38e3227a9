// A scripted pilot that plays the game through its controls alone, as a
// player at the keyboard would: it steers the craft at the nearest enemy it
// can shoot, keeps the gas down and fires when it points at it; after a given
// time in a level it quits through the pause menu. It sees the game's state
// but changes nothing except the controls passing the door (replay.h), so a
// game it plays can be recorded and replayed tick for tick.
#pragma once

// Installs the pilot as the door's pilot; after `quit_after_ticks` of a
// level's clock it opens the pause menu and chooses quit.
void pilot_install(int quit_after_ticks);
void pilot_remove();
