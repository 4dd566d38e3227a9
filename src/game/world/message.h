// The one way things in play say something on screen: a message sliding over
// the arena. The overlays (src/game) own the message, define this and draw it.
#pragma once

// Shows `text` (truncated to 127 characters) for `ticks` ticks; the message keeps
// its current height so a new one continues from where the last one stood.
// Main thread only.
void screen_message(const char* text, int ticks);
