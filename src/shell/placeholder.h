// A plain stand-in screen for parts of the flow that are not built yet: shows
// its lines on black and waits for one of the given keys.
#pragma once

// Returns the scancode of the first of `keys` (zero-terminated list) pressed.
int placeholder_screen(const char* title, const char* prompt, const int* keys);
