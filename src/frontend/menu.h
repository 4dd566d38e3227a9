// Front end: the title screen and its menus, the pause menu with the joystick
// remapping, and the ending.
#pragma once

// Runs the title screen; returns MENU_START or MENU_QUIT.
int title_screen();
// Shows the ending after the last level has been cleared.
void stupid_ending();
// Pause menu over the frozen level; draw_level(true) composes the level into
// buffer without showing it. Returns false when the player chose to quit.
bool do_pausemenu(void (*draw_level)(bool));
