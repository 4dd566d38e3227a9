// The heads-up display: health pips, gun temperature bar and lives, on a panel
// in one of five styles that can slide out of view.
#include "player.h"
#include "engine.h"
#include "fblend.h"
#include "facts.h"

// Panel geometry, relative to hud_y.
static const int PANEL_X1 = 3, PANEL_X2 = 300, PANEL_HEIGHT = 36;
static const int PANEL_INSIDE_W = 296, PANEL_INSIDE_H = 35;
static const int PANEL_TRANS_OUTLINE_ALPHA = 128;
static const int PANEL_BLACK_STRENGTH = 32;
static const int PANEL_COLOUR_STRENGTH = 64;

static const int HP_LABEL_X = 8, HP_ICON_X = 48;
static const int PIP_X = 54, PIP_STEP = 17, PIP_Y = 14;
static const int HEAT_LABEL_X = 120, HEAT_ICON_X = 175;
static const int BAR_X = 181, BAR_Y = 14;
static const float BAR_SPAN = 49.0f;  // the bar is 1 + 49 * temperature pixels wide
static const int LIVES_ICON_X = 255, LIVES_TEXT_X = 275;
static const int LABEL_Y = 5, ICON_Y = 4;

static void draw_panel(int type, int y)
{
    int colour = 0;
    int strength = PANEL_COLOUR_STRENGTH;
    switch (type) {
    case 1:
        colour = makecol(0, 0, 0);
        strength = PANEL_BLACK_STRENGTH;
        break;
    case 2:
        colour = makecol(255, 0, 0);
        break;
    case 3:
        colour = makecol(0, 0, 255);
        break;
    case 4:
        colour = makecol(0, 255, 0);
        break;
    default:
        return;
    }
    if (type == 1) {
        // The black outline is only half there.
        set_trans_blender(0, 0, 0, PANEL_TRANS_OUTLINE_ALPHA);
        drawing_mode(DRAW_MODE_TRANS, nullptr, 0, 0);
        rect(buffer, PANEL_X1, y, PANEL_X2, y + PANEL_HEIGHT, colour);
        solid_mode();
    } else {
        rect(buffer, PANEL_X1, y, PANEL_X2, y + PANEL_HEIGHT, colour);
    }
    fblend_rect_trans(buffer, PANEL_X1 + 1, y + 1, PANEL_INSIDE_W, PANEL_INSIDE_H, colour, strength);
}

void PLAYER::draw_hud()
{
    const int top = hud_y;
    draw_panel(hud_type, top);

    draw_sprite(buffer, data_bitmap(BMP_HUD_HP_LABEL), HP_LABEL_X, top + LABEL_Y);
    draw_sprite(buffer, data_bitmap(BMP_HUD_HP_ICON), HP_ICON_X, top + ICON_Y);
    BITMAP* pip = data_bitmap(BMP_HUD_HP_PIP);
    for (int i = 0; i < hp; i++)
        blit(pip, buffer, 0, 0, PIP_X + PIP_STEP * i, top + PIP_Y, HUD_PIP_W, HUD_PIP_H);

    draw_sprite(buffer, data_bitmap(BMP_HUD_HEAT_LABEL), HEAT_LABEL_X, top + LABEL_Y);
    draw_sprite(buffer, data_bitmap(BMP_HUD_HEAT_ICON), HEAT_ICON_X, top + ICON_Y);
    if (gun_temp_shown != 0) {
        BITMAP* pattern = data_bitmap(gun_temp_shown == 1.0f ? BMP_HUD_HEAT_PATTERN_MAX : BMP_HUD_HEAT_PATTERN);
        const int n = static_cast<int>(gun_temp_shown * BAR_SPAN + 0.5f);
        drawing_mode(DRAW_MODE_COPY_PATTERN, pattern, 0, 0);
        rectfill(buffer, BAR_X, top + BAR_Y, BAR_X + n, top + BAR_Y - 1 + pip->h, 0);
        solid_mode();
    }

    draw_sprite(buffer, data_bitmap(BMP_HUD_LIVES_ICON), LIVES_ICON_X, top + ICON_Y);
    textprintf_ex(buffer, mainfont, LIVES_TEXT_X, top + LABEL_Y, -1, -1, "x %d", lives);
}

void PLAYER::toggle_hud_autohide()
{
    hud_autohide = !hud_autohide;
}

void PLAYER::toggle_next_hud_type(int d)
{
    hud_type += d;
    if (hud_type < 0)
        hud_type = NUM_HUD_TYPES - 1;
    if (hud_type >= NUM_HUD_TYPES)
        hud_type = 0;
}
