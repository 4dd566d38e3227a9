// contact_sheet: renders every object of the built archives onto PNG pages
// with its index, plus mock scenes (each level's arena with its enemies, the
// craft, sparks, the HUD and a sign at their real positions, and the title,
// briefing, pause and joystick pages) so the whole set can be reviewed at a glance.
// Usage, from the build directory: contact_sheet OUT_DIR
#include "datidx.h"
#include "facts.h"

#include <allegro.h>
#include <png.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

namespace {

const int PIC_W = 640, PIC_H = 480;
const int PAGE_W = 1280;
const int CELL_PAD = 8, LABEL_H = 12;
const int SMALL_SPRITE = 64;  // sprites up to this size are shown twice as large

const int HUD_Y = 5;
const int SIGN_CX = 320, SIGN_CY = 200;
const int HALF = 2;

DATAFILE* data = nullptr;
DATAFILE* ending = nullptr;
FONT* mainfont = nullptr;

BITMAP* obj(int i)
{
    return static_cast<BITMAP*>(data[i].dat);
}

bool save_png(const std::string& path, BITMAP* b)
{
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, b->w, b->h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
        PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(static_cast<size_t>(b->w) * 3);
    for (int y = 0; y < b->h; ++y) {
        for (int x = 0; x < b->w; ++x) {
            const int c = getpixel(b, x, y);
            row[3 * x] = static_cast<png_byte>(getr32(c));
            row[3 * x + 1] = static_cast<png_byte>(getg32(c));
            row[3 * x + 2] = static_cast<png_byte>(getb32(c));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

void checker(BITMAP* dst, int x, int y, int w, int h)
{
    const int sq = 6;
    for (int j = 0; j < h; j += sq)
        for (int i = 0; i < w; i += sq) {
            const int c = ((i / sq + j / sq) % 2) ? makecol(92, 92, 100) : makecol(120, 120, 128);
            rectfill(dst, x + i, y + j, x + std::min(i + sq, w) - 1, y + std::min(j + sq, h) - 1, c);
        }
}

// Draws a bitmap scaled by s at (x, y): alpha pictures through the alpha
// blender, the rest as sprites (see-through magenta).
void show(BITMAP* dst, BITMAP* b, int x, int y, int s, bool alpha)
{
    BITMAP* big = create_bitmap_ex(32, b->w * s, b->h * s);
    stretch_blit(b, big, 0, 0, b->w, b->h, 0, 0, big->w, big->h);
    if (alpha) {
        set_alpha_blender();
        draw_trans_sprite(dst, big, x, y);
    } else {
        draw_sprite(dst, big, x, y);
    }
    destroy_bitmap(big);
}

// ---- pages of objects ----

struct Cell {
    int index;
    int w, h;  // content size on the page
};

const int ALPHA_INDICES[] = {SPR_ZAP_1, SPR_ZAP_1 + 1, SPR_ZAP_1 + 2, BMP_MENU_BACK, BMP_MENU_REMAP, BMP_MENU_CONTROLS,
    BMP_MENU_JOYSTICK, BMP_MENU_KEYBOARD, BMP_MENU_QUIT, BMP_MENU_START, BMP_LOGO, BMP_PAUSE_MARKER, BMP_ARROW_LEFT,
    BMP_ARROW_RIGHT, BMP_PAUSE_PANEL};

bool alpha_object(int i)
{
    return std::find(std::begin(ALPHA_INDICES), std::end(ALPHA_INDICES), i) != std::end(ALPHA_INDICES);
}

bool full_screen(int i)
{
    return data[i].type == DAT_BITMAP && obj(i)->w == PIC_W && obj(i)->h == PIC_H;
}

int scale_of(BITMAP* b)
{
    return std::max(b->w, b->h) <= SMALL_SPRITE ? 2 : 1;
}

Cell cell_for(int i)
{
    switch (data[i].type) {
    case DAT_BITMAP: {
        const int s = scale_of(obj(i));
        return Cell {i, std::max(obj(i)->w * s, 64), obj(i)->h * s};
    }
    case DAT_FONT:
        return Cell {i, 400, 3 * text_height(mainfont) + 4};
    case DAT_PALETTE:
        return Cell {i, 128, 128};
    default:
        return Cell {i, 150, 24};
    }
}

void draw_cell(BITMAP* page, const Cell& c, int x, int y)
{
    const int i = c.index;
    textprintf_ex(page, font, x, y, makecol(255, 255, 160), -1, "%d", i);
    const int top = y + LABEL_H;
    switch (data[i].type) {
    case DAT_BITMAP: {
        BITMAP* b = obj(i);
        const int s = scale_of(b);
        checker(page, x, top, b->w * s, b->h * s);
        show(page, b, x, top, s, alpha_object(i));
        textprintf_ex(page, font, x + 28, y, makecol(170, 170, 190), -1, "%dx%d", b->w, b->h);
        break;
    }
    case DAT_SAMPLE: {
        SAMPLE* smp = static_cast<SAMPLE*>(data[i].dat);
        textprintf_ex(
            page, font, x, top, makecol(160, 220, 255), -1, "SAMP %.2fs", smp->len / static_cast<double>(smp->freq));
        textprintf_ex(page, font, x, top + 10, makecol(160, 220, 255), -1, "%d Hz %d bit", smp->freq, smp->bits);
        break;
    }
    case DAT_FONT:
        rectfill(page, x, top, x + c.w - 1, top + c.h - 1, makecol(40, 60, 110));
        textout_ex(page, mainfont, "--Level 1-- x 3 Quit", x + 2, top + 2, -1, -1);
        textout_ex(page, mainfont, "Press any key or button...", x + 2, top + 2 + text_height(mainfont), -1, -1);
        textout_ex(page, mainfont, "0123456789 !?()[]=+.,:;'", x + 2, top + 2 + 2 * text_height(mainfont), -1, -1);
        break;
    case DAT_PALETTE: {
        const RGB* pal = static_cast<const RGB*>(data[i].dat);
        for (int k = 0; k < 256; ++k)
            rectfill(page, x + (k % 16) * 8, top + (k / 16) * 8, x + (k % 16) * 8 + 7, top + (k / 16) * 8 + 7,
                makecol(pal[k].r * 4, pal[k].g * 4, pal[k].b * 4));
        break;
    }
    default:
        textprintf_ex(page, font, x, top, makecol(200, 200, 200), -1, "DATA %ld bytes", data[i].size);
        break;
    }
}

void write_object_pages(const std::string& dir)
{
    std::vector<Cell> cells;
    for (int i = 0; i < NUM_DATA_OBJECTS; ++i)
        if (!(data[i].type == DAT_BITMAP && full_screen(i)))
            cells.push_back(cell_for(i));
    // Flow layout in rows.
    std::vector<std::pair<int, int>> pos;
    int x = CELL_PAD, y = CELL_PAD, row_h = 0;
    for (const Cell& c : cells) {
        if (x + c.w + CELL_PAD > PAGE_W) {
            x = CELL_PAD;
            y += row_h + CELL_PAD;
            row_h = 0;
        }
        pos.emplace_back(x, y);
        x += c.w + CELL_PAD * 2;
        row_h = std::max(row_h, c.h + LABEL_H);
    }
    BITMAP* page = create_bitmap_ex(32, PAGE_W, y + row_h + CELL_PAD);
    clear_to_color(page, makecol(28, 30, 38));
    for (size_t k = 0; k < cells.size(); ++k)
        draw_cell(page, cells[k], pos[k].first, pos[k].second);
    save_png(dir + "/objects.png", page);
    destroy_bitmap(page);

    // Full-screen pictures at half size, twelve a page.
    std::vector<std::pair<std::string, BITMAP*>> pics;
    for (int i = 0; i < NUM_DATA_OBJECTS; ++i)
        if (data[i].type == DAT_BITMAP && full_screen(i))
            pics.emplace_back(std::to_string(i), obj(i));
    for (int i = 0; i < NUM_ENDING_OBJECTS; ++i)
        pics.emplace_back("ending " + std::to_string(i), static_cast<BITMAP*>(ending[i].dat));
    const int cols = 3, per_page = 12, cw = PIC_W / HALF, ch = PIC_H / HALF;
    for (size_t first = 0, n = 1; first < pics.size(); first += per_page, ++n) {
        const int count = static_cast<int>(std::min<size_t>(per_page, pics.size() - first));
        const int rows = (count + cols - 1) / cols;
        BITMAP* pg =
            create_bitmap_ex(32, cols * (cw + CELL_PAD) + CELL_PAD, rows * (ch + LABEL_H + CELL_PAD) + CELL_PAD);
        clear_to_color(pg, makecol(28, 30, 38));
        for (int k = 0; k < count; ++k) {
            const int px = CELL_PAD + (k % cols) * (cw + CELL_PAD),
                      py = CELL_PAD + (k / cols) * (ch + LABEL_H + CELL_PAD);
            textout_ex(pg, font, pics[first + k].first.c_str(), px, py, makecol(255, 255, 160), -1);
            stretch_blit(pics[first + k].second, pg, 0, 0, PIC_W, PIC_H, px, py + LABEL_H, cw, ch);
        }
        save_png(dir + "/pictures_" + std::to_string(n) + ".png", pg);
        destroy_bitmap(pg);
    }
}

// ---- mock scenes at the game's real positions ----

void draw_hud(BITMAP* buf, int hp, float heat, int lives)
{
    // Style 1: a translucent black outline and a faint black inside.
    set_trans_blender(0, 0, 0, 128);
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    rect(buf, 3, HUD_Y, 300, HUD_Y + 36, makecol(0, 0, 0));
    set_trans_blender(0, 0, 0, 32);
    rectfill(buf, 4, HUD_Y + 1, 299, HUD_Y + 35, makecol(0, 0, 0));
    solid_mode();
    draw_sprite(buf, obj(BMP_HUD_HP_LABEL), 8, HUD_Y + 5);
    draw_sprite(buf, obj(BMP_HUD_HP_ICON), 48, HUD_Y + 4);
    for (int i = 0; i < hp; ++i)
        blit(obj(BMP_HUD_HP_PIP), buf, 0, 0, 54 + 17 * i, HUD_Y + 14, 16, 5);
    draw_sprite(buf, obj(BMP_HUD_HEAT_LABEL), 120, HUD_Y + 5);
    draw_sprite(buf, obj(BMP_HUD_HEAT_ICON), 175, HUD_Y + 4);
    if (heat > 0) {
        BITMAP* pat = obj(heat >= 1.0f ? BMP_HUD_HEAT_PATTERN_MAX : BMP_HUD_HEAT_PATTERN);
        drawing_mode(DRAW_MODE_COPY_PATTERN, pat, 0, 0);
        const int n = static_cast<int>(heat * 49 + 0.5f);
        rectfill(buf, 181, HUD_Y + 14, 181 + n, HUD_Y + 13 + obj(BMP_HUD_HP_PIP)->h, 0);
        solid_mode();
    }
    draw_sprite(buf, obj(BMP_HUD_LIVES_ICON), 255, HUD_Y + 4);
    textprintf_ex(buf, mainfont, 275, HUD_Y + 5, -1, -1, "x %d", lives);
}

void sign(BITMAP* buf, int index, int strength)
{
    BITMAP* s = obj(index);
    set_trans_blender(0, 0, 0, strength);
    draw_trans_sprite(buf, s, SIGN_CX - s->w / 2, SIGN_CY - s->h / 2);
}

void sprite_at(BITMAP* buf, int index, int x, int y)
{
    draw_sprite(buf, obj(index), x, y);
}

void rotated(BITMAP* buf, int index, int x, int y, float angle256)
{
    rotate_sprite(buf, obj(index), x, y, ftofix(angle256));
}

void craft(BITMAP* buf, int index, int cx, int cy, float angle256)
{
    BITMAP* b = obj(index);
    rotated(buf, index, cx - b->w / 2, cy - b->h / 2, angle256);
}

void shots(BITMAP* buf, int cx, int cy, float angle256, int count)
{
    const float r = angle256 * 2 * 3.14159265f / 256;
    for (int k = 1; k <= count; ++k) {
        const float d = 22 + 34.0f * k;
        const int x = static_cast<int>(cx + std::sin(r) * d), y = static_cast<int>(cy - std::cos(r) * d);
        BITMAP* s = obj(SPR_PLAYER_SHOT);
        rotate_sprite(buf, s, x - s->w / 2, y - s->h / 2, ftofix(angle256));
    }
}

void sparks(BITMAP* buf, int cx, int cy, int seed)
{
    // The game's sparks are small coloured dots flung from a hit.
    for (int k = 0; k < 12; ++k) {
        const float a = (seed * 37 + k * 53) % 360 * 3.14159265f / 180, d = 4.0f + (k * 7 + seed) % 14;
        const int x = static_cast<int>(cx + std::cos(a) * d), y = static_cast<int>(cy + std::sin(a) * d);
        rectfill(buf, x, y, x + 1, y + 1, k % 3 ? makecol(255, 200, 60) : makecol(255, 255, 230));
    }
}

void ball(BITMAP* buf, int index, int x, int base_y, float bob)
{
    sprite_at(buf, index, x, static_cast<int>(base_y + bob));
    sprite_at(buf, bob <= -1 ? SPR_SHADOW_HIGH : SPR_SHADOW_LOW, x, base_y);
}

void message(BITMAP* buf, const char* text)
{
    textout_ex(buf, mainfont, text, 5, 475 - text_height(mainfont), -1, -1);
}

void level_scene(BITMAP* buf, int level)
{
    blit(obj(std::min(level - 1, 6)), buf, 0, 0, 0, 0, PIC_W, PIC_H);
    switch (level) {
    case 1:
        stretch_sprite(buf, obj(SPR_TURD), 300, 150, 40, 40);
        sprite_at(buf, SPR_TURD, 470, 300);
        sprite_at(buf, SPR_TURD, 150, 330);
        break;
    case 2:
        for (int f = 0; f < 6; ++f)
            sprite_at(buf, SPR_GUY_1 + f, 80 + f * 70, 120);
        sprite_at(buf, SPR_GUY_WALK_1, 470, 300);
        sprite_at(buf, SPR_GUY_WALK_2, 150, 330);
        rotated(buf, SPR_CAR, 520, 180, 40);
        break;
    case 3:
        for (int k = 0; k < 4; ++k)
            sprite_at(buf, SPR_SPIKE_1 + k, k % 2 ? 540 : 90, k / 2 ? 380 : 90);
        ball(buf, SPR_BALL, 420, 160, -4);
        ball(buf, SPR_BALL, 200, 300, 3);
        ball(buf, SPR_BALL_BURST, 470, 330, 0);
        break;
    case 4: {
        BITMAP* s = obj(SPR_SPITTER);
        sprite_at(buf, SPR_SPITTER, s->w / 2 + 58, ARENA_WALLS.y1 - s->h / 2);
        sprite_at(buf, SPR_SPITTER_OPEN, s->w / 2 + 255, ARENA_WALLS.y1 - s->h / 2);
        sprite_at(buf, SPR_SPITTER_DEAD, s->w / 2 + 480, ARENA_WALLS.y1 - s->h / 2);
        sprite_at(buf, SPR_SPIT, 300, 120);
        sprite_at(buf, SPR_SPIT, 310, 170);
        rotated(buf, SPR_SPINNER, 450, 300, 30);
        set_alpha_blender();
        draw_trans_sprite(buf, obj(SPR_ZAP_2), 450, 300);
        rotated(buf, SPR_SPINNER, 150, 280, 90);
        break;
    }
    case 5:
        ball(buf, SPR_FAST_BALL, 420, 160, -4);
        ball(buf, SPR_FAST_BALL_BURST, 200, 300, 0);
        for (int f = 0; f < 5; ++f)
            sprite_at(buf, SPR_STALKER_1 + f, 80 + f * 40, 120);
        sprite_at(buf, SPR_STALKER_MOVE_1, 480, 330);
        break;
    case 6:
        rotated(buf, SPR_CHASE_CAR, 460, 200, 200);
        rotated(buf, SPR_CAR, 160, 150, 64);
        rotated(buf, SPR_WRECK, 250, 330, 20);
        for (int f = 0; f < 6; ++f)
            sprite_at(buf, SPR_PERSON_1 + f, 60 + f * 60, 380);
        sprite_at(buf, SPR_PERSON_WALK_1, 520, 350);
        sprite_at(buf, SPR_PERSON_WALK_2, 560, 320);
        break;
    case 7: {
        for (int k = 0; k < 10; ++k) {
            sprite_at(buf, SPR_SPIKE_1 + k % 4, 108 + k * 48, 96);
            sprite_at(buf, SPR_SPIKE_1 + (k + 2) % 4, 108 + k * 48, 376);
        }
        for (int k = 1; k < 7; ++k) {
            sprite_at(buf, SPR_SPIKE_1 + k % 4, 108, 96 + k * 40);
            sprite_at(buf, SPR_SPIKE_1 + (k + 1) % 4, 540, 96 + k * 40);
        }
        BITMAP* s = obj(SPR_SPITTER);
        sprite_at(buf, SPR_SPITTER_OPEN, s->w / 2 + 255, ARENA_WALLS.y1 - s->h / 2);
        sprite_at(buf, SPR_STALKER_MOVE_2, 200, 200);
        rotated(buf, SPR_SPINNER, 400, 250, 10);
        ball(buf, SPR_BALL, 250, 300, -3);
        break;
    }
    default: {
        BITMAP* b = obj(SPR_BOSS_1);
        sprite_at(buf, SPR_BOSS_1 + 3, 320 - b->w / 2, ARENA_WALLS.y1);
        sprite_at(buf, SPR_BOSS_WALK_1, 90, 250);
        sprite_at(buf, SPR_BOSS_DEAD, 470, 260);
        break;
    }
    }
    const int px = 320, py = level == 8 ? ARENA_WALLS.y2 - obj(SPR_PLAYER)->h / 2 - 20 : 260;
    const float heading = level * 23.0f;
    craft(buf, level % 3 == 0 ? SPR_PLAYER_DAMAGED : SPR_PLAYER, px, py, heading);
    shots(buf, px, py, heading, 2);
    sparks(buf, px + 90, py - 60, level);
    if (level == 5)
        sprite_at(buf, SPR_ONE_UP, px - 20, py - 50);
    draw_hud(buf, 3 - (level % 3), level / 8.0f, 4 - level % 4);
    sign(buf, level % 2 ? BMP_SIGN_START : BMP_SIGN_LEVEL_DONE, 160);
    if (level == 2)
        message(buf, "Music Volume [+++++++=======]");
}

void title_scene(BITMAP* buf, int menu_item)
{
    blit(obj(BMP_TITLE_BACKGROUND), buf, 0, 0, 0, 0, PIC_W, PIC_H);
    set_alpha_blender();
    draw_trans_sprite(buf, obj(BMP_LOGO), 6, 6);
    BITMAP* l = obj(BMP_ARROW_LEFT);
    BITMAP* r = obj(BMP_ARROW_RIGHT);
    BITMAP* m = obj(menu_item);
    draw_trans_sprite(buf, l, 244 - l->w / 2, 440 - l->h / 2);
    set_clip_rect(buf, 255, 415, 385, 479);
    draw_trans_sprite(buf, m, 324 - m->w / 2, 440 - m->h / 2);
    set_clip_rect(buf, 0, 0, PIC_W - 1, PIC_H - 1);
    draw_trans_sprite(buf, r, 404 - r->w / 2, 440 - r->h / 2);
}

void briefing_scene(BITMAP* buf, int level, const char* text)
{
    blit(obj(65 + level), buf, 0, 0, 0, 0, PIC_W, PIC_H);
    textprintf_ex(buf, mainfont, 25, 25, -1, -1, "--Level %d--", level);
    textout_ex(buf, mainfont, text, 25, text_height(mainfont) + 30, -1, -1);
    textout_centre_ex(buf, mainfont, "Press any key or button...", 320, 460, -1, -1);
}

void pause_scene(BITMAP* buf)
{
    level_scene(buf, 1);
    set_trans_blender(0, 0, 0, 128);
    drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
    rectfill(buf, 0, 0, PIC_W - 1, PIC_H - 1, makecol(0, 0, 0));
    solid_mode();
    BITMAP* p = obj(BMP_PAUSE_PANEL);
    const int x = 320 - p->w / 2, y = 240 - p->h / 2;
    set_alpha_blender();
    draw_trans_sprite(buf, p, x, y);
    draw_trans_sprite(buf, obj(BMP_PAUSE_MARKER), x + 50, y + 104);
}

void joypad_scene(BITMAP* buf)
{
    blit(obj(BMP_JOYPAD), buf, 0, 0, 0, 0, PIC_W, PIC_H);
    const int pos[9][2] = {
        {193, 334}, {307, 370}, {481, 394}, {91, 31}, {222, 33}, {310, 13}, {8, 73}, {477, 49}, {71, 423}};
    const char* labels[9] = {
        "Shoot", "Brake", "Reverse", "Gas", "(unused)", "(unused)", "Prev. Hud", "Next Hud", "Pause"};
    for (int b = 0; b < 9; ++b)
        textout_ex(buf, mainfont, labels[b], pos[b][0], pos[b][1], -1, -1);
    set_alpha_blender();
    BITMAP* m = obj(BMP_MENU_REMAP);
    draw_trans_sprite(buf, obj(BMP_ARROW_LEFT), 244 - obj(BMP_ARROW_LEFT)->w / 2, 440 - obj(BMP_ARROW_LEFT)->h / 2);
    draw_trans_sprite(buf, m, 324 - m->w / 2, 440 - m->h / 2);
    draw_trans_sprite(buf, obj(BMP_ARROW_RIGHT), 404 - obj(BMP_ARROW_RIGHT)->w / 2, 440 - obj(BMP_ARROW_RIGHT)->h / 2);
}

void keyboard_scene(BITMAP* buf)
{
    clear_to_color(buf, 0);
    const char* t = static_cast<const char*>(data[TXT_KEYBOARD_HELP].dat) + 1;
    std::string all(t);
    if (!all.empty())
        all.pop_back();  // the game never shows the last character
    size_t start = 0;
    int k = 0;
    while (start <= all.size()) {
        const size_t nl = all.find('\n', start);
        const std::string line = all.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        textout_ex(buf, font, line.c_str(), 10, 10 + 10 * k, makecol(255, 0, 0), -1);
        ++k;
        if (nl == std::string::npos)
            break;
        start = nl + 1;
    }
}

void write_scenes(const std::string& dir)
{
    BITMAP* buf = create_bitmap_ex(32, PIC_W, PIC_H);
    const char* texts[8] = {"Dodge the falling turds!!!", "Gay guys from below!!", "Spikes and Balls!!!",
        "Peoo!! Glclclch!", "Brakes don't work well on ice", "People get killed!!", "Hell!", "He's pissed"};
    for (int lv = 1; lv <= 8; ++lv) {
        level_scene(buf, lv);
        save_png(dir + "/scene_level_" + std::to_string(lv) + ".png", buf);
        briefing_scene(buf, lv, texts[lv - 1]);
        save_png(dir + "/scene_briefing_" + std::to_string(lv) + ".png", buf);
    }
    title_scene(buf, BMP_MENU_START);
    save_png(dir + "/scene_title.png", buf);
    pause_scene(buf);
    save_png(dir + "/scene_pause.png", buf);
    joypad_scene(buf);
    save_png(dir + "/scene_joypad.png", buf);
    keyboard_scene(buf);
    save_png(dir + "/scene_keyboard.png", buf);
    blit(obj(BMP_INTRO), buf, 0, 0, 0, 0, PIC_W, PIC_H);
    save_png(dir + "/scene_intro.png", buf);
    blit(static_cast<BITMAP*>(ending[0].dat), buf, 0, 0, 0, 0, PIC_W, PIC_H);
    textout_right_ex(buf, mainfont, "The End", 630, 450, -1, -1);
    save_png(dir + "/scene_ending.png", buf);
    destroy_bitmap(buf);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: contact_sheet OUT_DIR   (run from the build directory)\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (mkdir(dir.c_str(), 0755) != 0 && errno != EEXIST) {
        std::fprintf(stderr, "contact_sheet: cannot create %s\n", dir.c_str());
        return 1;
    }
    if (install_allegro(SYSTEM_NONE, &errno, atexit) != 0)
        return 1;
    // The layout the game gets under X, and its 32-bit conversion on load.
    _rgb_r_shift_32 = 16;
    _rgb_g_shift_32 = 8;
    _rgb_b_shift_32 = 0;
    _rgb_a_shift_32 = 24;
    set_color_depth(32);
    set_color_conversion(COLORCONV_15_TO_32 | COLORCONV_16_TO_32 | COLORCONV_24_TO_32 | COLORCONV_KEEP_TRANS);
    data = load_datafile("data/vorlin.dat");
    ending = load_datafile("data/ending.dat");
    if (!data || !ending) {
        std::fprintf(stderr, "contact_sheet: cannot load data/vorlin.dat and data/ending.dat\n");
        return 1;
    }
    mainfont = static_cast<FONT*>(data[FNT_MAIN].dat);
    select_palette(static_cast<RGB*>(data[PAL_GAME].dat));
    write_object_pages(dir);
    write_scenes(dir);
    unload_datafile(ending);
    unload_datafile(data);
    std::printf("contact_sheet: pages written to %s\n", dir.c_str());
    return 0;
}
