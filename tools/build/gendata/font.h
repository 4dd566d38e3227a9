// The game's colour font, rendered from a real typeface, and the palette its
// 8-bit glyphs are drawn through (the game selects it once after loading).
#pragma once

#include <string>

// An 8-bit PCX grid sheet of ASCII 32..126 for `dat -t FONT`: colour 255
// separates the cells, colour 0 is see-through, the rest are palette ramps.
bool write_font_pcx(const std::string& path);
// An 8-bit PCX whose palette is the game's palette, for `dat -t PAL`.
bool write_palette_pcx(const std::string& path);
