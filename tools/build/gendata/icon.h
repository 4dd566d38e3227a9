// The game's application icon in every size desktops use.
#pragma once

#include "gfx.h"

#include <string>

// The icon painted at n x n pixels (straight alpha; corners see-through).
Image art_icon(int n);
// An 8-bit RGBA PNG of img; false if the file cannot be written.
bool write_png(const std::string& path, const Image& img);
// Writes DIR/vorlin_<N>.png for N = 16 32 48 64 128 256 and DIR/vorlin_icon.cpp,
// the window icon compiled into the game (see src/shell/window_icon.h).
bool write_icons(const std::string& dir);
