// Colour font sheet and game palette: glyphs from DejaVu Sans Bold with a
// vertical gradient fill and a dark outline, quantised to palette ramps.
#include "font.h"

#include "art.h"
#include "text.h"

#include <allegro.h>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {
const Face FONT_FACE = Face::SANS_BOLD;
const int FONT_SIZE_PX = 14;
const float FONT_OUTLINE_PX = 1.0f;
const int FIRST_CHAR = 32, LAST_CHAR = 126;
const int SHEET_W = 512;

// Palette layout: 0 see-through, then GRADIENT_STEPS x COVER_STEPS font
// colours, then a grey ramp, and 255 the sheet's cell separator.
const int GRADIENT_STEPS = 12;
const int COVER_STEPS = 6;
const int FONT_BASE = 1;
const int SEPARATOR = 255;
const int TRANSPARENT = 0;

int font_index(int gradient_step, int cover_step)
{
    return FONT_BASE + gradient_step * COVER_STEPS + cover_step;
}

RGBA font_colour(int gradient_step, int cover_step)
{
    const float t = static_cast<float>(gradient_step) / (GRADIENT_STEPS - 1);
    // A bright band just above the middle gives the letters a metallic sheen.
    RGBA fill = mix(rgb(ink::FONT_TOP), rgb(ink::FONT_BOTTOM), t * t);
    if (gradient_step == GRADIENT_STEPS / 2 - 1)
        fill = mix(fill, rgb(0xffffff), 0.35f);
    return mix(rgb(ink::FONT_EDGE), fill, static_cast<float>(cover_step) / (COVER_STEPS - 1));
}

void game_palette(PALETTE pal)
{
    for (int i = 0; i < PAL_SIZE; ++i) {
        // Allegro palettes hold 6-bit channels.
        const int grey = i * 63 / 255;
        pal[i].r = pal[i].g = pal[i].b = static_cast<unsigned char>(grey);
        pal[i].filler = 0;
    }
    pal[TRANSPARENT].r = pal[TRANSPARENT].g = pal[TRANSPARENT].b = 0;
    for (int g = 0; g < GRADIENT_STEPS; ++g)
        for (int c = 0; c < COVER_STEPS; ++c) {
            const RGBA col = font_colour(g, c);
            RGB& e = pal[font_index(g, c)];
            e.r = static_cast<unsigned char>(std::lround(col.r * 63));
            e.g = static_cast<unsigned char>(std::lround(col.g * 63));
            e.b = static_cast<unsigned char>(std::lround(col.b * 63));
        }
    pal[SEPARATOR].r = 63;
    pal[SEPARATOR].g = 63;
    pal[SEPARATOR].b = 0;
}

// One glyph cell as palette indices.
struct Cell {
    int w, h;
    std::vector<unsigned char> px;
};

Cell render_cell(int ch)
{
    const Mask m = glyph_mask(FONT_FACE, FONT_SIZE_PX, ch);
    const Mask o = dilate(m, FONT_OUTLINE_PX);
    const int r = static_cast<int>(std::ceil(FONT_OUTLINE_PX));
    // Cells advance by the glyph's own advance plus the outline's extra column;
    // a glyph whose outline reaches further keeps it.
    int last = 0;
    for (int y = 0; y < o.h; ++y)
        for (int x = 0; x < o.w; ++x)
            if (o.at(x, y) >= 0.5f)
                last = std::max(last, x);
    Cell c;
    c.w = std::max(m.w + 1, last + 1);
    c.h = o.h;
    c.px.assign(static_cast<size_t>(c.w) * c.h, TRANSPARENT);
    for (int y = 0; y < c.h; ++y)
        for (int x = 0; x < c.w; ++x) {
            if (o.at(x, y) < 0.5f)
                continue;
            const float fill = m.at(x - r, y - r);
            const int cover = std::clamp(static_cast<int>(std::lround(fill * (COVER_STEPS - 1))), 0, COVER_STEPS - 1);
            const int grad = std::clamp((y - r) * GRADIENT_STEPS / std::max(1, m.h - 3), 0, GRADIENT_STEPS - 1);
            c.px[static_cast<size_t>(y) * c.w + x] = static_cast<unsigned char>(font_index(grad, cover));
        }
    return c;
}
}  // namespace

bool write_font_pcx(const std::string& path)
{
    std::vector<Cell> cells;
    for (int ch = FIRST_CHAR; ch <= LAST_CHAR; ++ch)
        cells.push_back(render_cell(ch));
    const int cell_h = cells[0].h;
    // Lay the cells out in rows that share their one-pixel separator lines.
    int rows = 1, x = 1;
    for (const Cell& c : cells) {
        if (x + c.w + 1 > SHEET_W) {
            ++rows;
            x = 1;
        }
        x += c.w + 1;
    }
    BITMAP* sheet = create_bitmap_ex(8, SHEET_W, rows * (cell_h + 1) + 1);
    clear_to_color(sheet, SEPARATOR);
    int row = 0;
    x = 1;
    for (const Cell& c : cells) {
        if (x + c.w + 1 > SHEET_W) {
            ++row;
            x = 1;
        }
        const int y0 = 1 + row * (cell_h + 1);
        for (int j = 0; j < c.h; ++j)
            for (int i = 0; i < c.w; ++i)
                putpixel(sheet, x + i, y0 + j, c.px[static_cast<size_t>(j) * c.w + i]);
        x += c.w + 1;
    }
    PALETTE pal;
    game_palette(pal);
    const int err = save_pcx(path.c_str(), sheet, pal);
    destroy_bitmap(sheet);
    return err == 0;
}

bool write_palette_pcx(const std::string& path)
{
    const int side = 16;
    BITMAP* swatch = create_bitmap_ex(8, side, side);
    for (int i = 0; i < PAL_SIZE; ++i)
        putpixel(swatch, i % side, i / side, i);
    PALETTE pal;
    game_palette(pal);
    const int err = save_pcx(path.c_str(), swatch, pal);
    destroy_bitmap(swatch);
    return err == 0;
}
