// Text of the data generator: real typefaces rendered through FreeType into
// coverage masks, and lettering with fill, outline and drop shadow on canvases.
#pragma once

#include "gfx.h"

#include <string>
#include <vector>

enum class Face { SANS_BOLD, SANS, CONDENSED_BOLD, SERIF_BOLD, MONO_BOLD };

// Coverage of rendered text; `ascent` is the baseline's distance from the top.
struct Mask {
    int w = 0, h = 0, ascent = 0;
    std::vector<float> a;
    float at(int x, int y) const
    {
        return (x < 0 || y < 0 || x >= w || y >= h) ? 0.0f : a[static_cast<size_t>(y) * w + x];
    }
};

// Opens the typefaces; false (with a line on stderr) when one is missing.
bool text_init();
void text_shutdown();

// One character: its advance width by `h` (ascent + descent of the face) pixels.
Mask glyph_mask(Face face, int size_px, int ch);
// A whole string, glyphs placed at their advances plus `tracking` pixels.
Mask text_mask(Face face, int size_px, const std::string& s, int tracking = 0);
int text_width(Face face, int size_px, const std::string& s, int tracking = 0);

// Grows a mask by `radius` pixels (the outline's footprint).
Mask dilate(const Mask& m, float radius);

struct TextStyle {
    Face face = Face::SANS_BOLD;
    int size_px = 16;
    int tracking = 0;
    Paint fill = flat(RGBA {1, 1, 1, 1});  // local coordinates: pixels from the text's top-left
    RGBA outline = RGBA {0, 0, 0, 1};
    float outline_px = 0;             // 0: none
    RGBA shadow = RGBA {0, 0, 0, 0};  // alpha 0: none
    float shadow_dx = 2, shadow_dy = 2, shadow_blur = 0;
};

// Draws s with its top-left at (x, y); returns the drawn width.
int draw_text(Image& img, float x, float y, const std::string& s, const TextStyle& st);
// Centred on x.
int draw_text_centred(Image& img, float cx, float y, const std::string& s, const TextStyle& st);
