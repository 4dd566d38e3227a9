// FreeType lettering for the generator's pictures and the game's font sheet.
#include "text.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <mutex>

namespace {
const char* const FONT_DIR = "/usr/share/fonts/truetype/dejavu/";
const char* const FACE_FILES[] = {"DejaVuSans-Bold.ttf", "DejaVuSans.ttf", "DejaVuSansCondensed-Bold.ttf",
    "DejaVuSerif-Bold.ttf", "DejaVuSansMono-Bold.ttf"};
const int NUM_FACES = 5;

FT_Library library = nullptr;
// FreeType faces keep their size and glyph slot as state: one painter at a time.
std::recursive_mutex ft_lock;
FT_Face faces[NUM_FACES] = {};

FT_Face select(Face face, int size_px)
{
    FT_Face f = faces[static_cast<int>(face)];
    FT_Set_Pixel_Sizes(f, 0, static_cast<FT_UInt>(size_px));
    return f;
}
}

bool text_init()
{
    if (FT_Init_FreeType(&library)) {
        std::fprintf(stderr, "gendata: FreeType does not start\n");
        return false;
    }
    for (int i = 0; i < NUM_FACES; ++i) {
        const std::string path = std::string(FONT_DIR) + FACE_FILES[i];
        if (FT_New_Face(library, path.c_str(), 0, &faces[i])) {
            std::fprintf(stderr, "gendata: cannot open typeface %s (package fonts-dejavu-core)\n", path.c_str());
            return false;
        }
    }
    return true;
}

void text_shutdown()
{
    for (FT_Face& f : faces)
        if (f) {
            FT_Done_Face(f);
            f = nullptr;
        }
    if (library)
        FT_Done_FreeType(library);
    library = nullptr;
}

Mask glyph_mask(Face face, int size_px, int ch)
{
    const std::lock_guard<std::recursive_mutex> hold(ft_lock);
    FT_Face f = select(face, size_px);
    Mask m;
    m.ascent = static_cast<int>(f->size->metrics.ascender >> 6);
    m.h = m.ascent - static_cast<int>(f->size->metrics.descender >> 6);
    if (FT_Load_Char(f, static_cast<FT_ULong>(ch), FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT))
        return m;
    const FT_GlyphSlot g = f->glyph;
    m.w = static_cast<int>((g->advance.x + 32) >> 6);
    m.a.assign(static_cast<size_t>(m.w) * m.h, 0.0f);
    const FT_Bitmap& bm = g->bitmap;
    for (unsigned row = 0; row < bm.rows; ++row)
        for (unsigned col = 0; col < bm.width; ++col) {
            const int x = g->bitmap_left + static_cast<int>(col);
            const int y = m.ascent - g->bitmap_top + static_cast<int>(row);
            if (x < 0 || y < 0 || x >= m.w || y >= m.h)
                continue;
            const float v = bm.buffer[row * bm.pitch + col] / 255.0f;
            float& dst = m.a[static_cast<size_t>(y) * m.w + x];
            dst = std::max(dst, v);
        }
    return m;
}

Mask text_mask(Face face, int size_px, const std::string& s, int tracking)
{
    const std::lock_guard<std::recursive_mutex> hold(ft_lock);
    std::vector<Mask> gl;
    int w = 0;
    for (unsigned char c : s) {
        gl.push_back(glyph_mask(face, size_px, c));
        w += gl.back().w + tracking;
    }
    Mask m;
    FT_Face f = select(face, size_px);
    m.ascent = static_cast<int>(f->size->metrics.ascender >> 6);
    m.h = m.ascent - static_cast<int>(f->size->metrics.descender >> 6);
    m.w = std::max(1, w - tracking + 2);
    m.a.assign(static_cast<size_t>(m.w) * m.h, 0.0f);
    int pen = 0;
    for (const Mask& g : gl) {
        for (int y = 0; y < g.h && y < m.h; ++y)
            for (int x = 0; x < g.w; ++x) {
                const int tx = pen + x;
                if (tx < 0 || tx >= m.w)
                    continue;
                float& dst = m.a[static_cast<size_t>(y) * m.w + tx];
                dst = std::max(dst, g.at(x, y));
            }
        pen += g.w + tracking;
    }
    return m;
}

int text_width(Face face, int size_px, const std::string& s, int tracking)
{
    const std::lock_guard<std::recursive_mutex> hold(ft_lock);
    int w = 0;
    FT_Face f = select(face, size_px);
    for (unsigned char c : s) {
        if (FT_Load_Char(f, c, FT_LOAD_DEFAULT | FT_LOAD_TARGET_LIGHT))
            continue;
        w += static_cast<int>((f->glyph->advance.x + 32) >> 6) + tracking;
    }
    return s.empty() ? 0 : w - tracking;
}

Mask dilate(const Mask& m, float radius)
{
    const int r = static_cast<int>(std::ceil(radius));
    Mask o;
    o.w = m.w + 2 * r;
    o.h = m.h + 2 * r;
    o.ascent = m.ascent + r;
    o.a.assign(static_cast<size_t>(o.w) * o.h, 0.0f);
    for (int y = 0; y < o.h; ++y)
        for (int x = 0; x < o.w; ++x) {
            float best = 0;
            for (int j = -r; j <= r; ++j)
                for (int i = -r; i <= r; ++i) {
                    const float a = m.at(x - r + i, y - r + j);
                    if (a <= best)
                        continue;
                    const float k = clamp01(radius + 0.5f - std::sqrt(static_cast<float>(i * i + j * j)));
                    best = std::max(best, a * k);
                }
            o.a[static_cast<size_t>(y) * o.w + x] = best;
        }
    return o;
}

int draw_text(Image& img, float x, float y, const std::string& s, const TextStyle& st)
{
    const Mask m = text_mask(st.face, st.size_px, s, st.tracking);
    const int ix = static_cast<int>(std::lround(x)), iy = static_cast<int>(std::lround(y));
    const int r = st.outline_px > 0 ? static_cast<int>(std::ceil(st.outline_px)) : 0;
    const Mask o = st.outline_px > 0 ? dilate(m, st.outline_px) : m;
    if (st.shadow.a > 0) {
        Image sh(o.w + 8, o.h + 8);
        for (int j = 0; j < o.h; ++j)
            for (int i = 0; i < o.w; ++i)
                sh.at(i + 4, j + 4) = with_alpha(st.shadow, o.at(i, j) * st.shadow.a);
        if (st.shadow_blur > 0)
            sh = blur(sh, st.shadow_blur);
        composite(img, sh, ix - r - 4 + static_cast<int>(st.shadow_dx), iy - r - 4 + static_cast<int>(st.shadow_dy));
    }
    if (st.outline_px > 0)
        for (int j = 0; j < o.h; ++j)
            for (int i = 0; i < o.w; ++i)
                blend_px(img, ix - r + i, iy - r + j, st.outline, o.at(i, j));
    for (int j = 0; j < m.h; ++j)
        for (int i = 0; i < m.w; ++i) {
            const float a = m.at(i, j);
            if (a <= 0)
                continue;
            const Frag f {i + 0.5f, j + 0.5f, 0, 0, 0};
            blend_px(img, ix + i, iy + j, st.fill(f), a);
        }
    return m.w;
}

int draw_text_centred(Image& img, float cx, float y, const std::string& s, const TextStyle& st)
{
    const int w = text_width(st.face, st.size_px, s, st.tracking);
    return draw_text(img, cx - w / 2.0f, y, s, st);
}
