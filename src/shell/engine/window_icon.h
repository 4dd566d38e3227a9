// The game's window icon, generated from the game's own art at build time
// (gendata --icons writes its definition into the build directory).
#pragma once

// XPM rows of the icon the library gives the window manager.
extern const char* const* const vorlin_icon_xpm;
// EWMH icon list (_NET_WM_ICON): for each size, width, height, then width x
// height ARGB pixels, row by row; vorlin_icon_argb_len values in all.
extern const unsigned long* const vorlin_icon_argb;
extern const int vorlin_icon_argb_len;
