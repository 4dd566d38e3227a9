// What the front-end screens draw and accept, read from the frames they compose
// (the ending's notice, drawn straight on the screen, from the screen):
// the title's carousel (where the incoming item enters, the arrows, the clip)
// against reference drawings, ESC in the title's sub-menus, the darkening of
// the title's fade-out, the pause marker's two rows and the ending's notice.
#include "datidx.h"
#include "fblend.h"
#include "menu.h"
#include "test_menu_support.h"
#include <string>

namespace {

// Pixels where a and b differ.
int differing(BITMAP* a, BITMAP* b)
{
    int n = 0;
    for (int y = 0; y < SCREEN_HEIGHT; y++)
        for (int x = 0; x < SCREEN_WIDTH; x++)
            n += getpixel(a, x, y) != getpixel(b, x, y);
    return n;
}

// An alpha picture of the archive centred on (x, y), halves truncated.
void centred(BITMAP* on, int index, int x, int y)
{
    BITMAP* p = data_bitmap(index);
    draw_trans_sprite(on, p, x - p->w / 2, y - p->h / 2);
}

class Frames : public FrontendTest {
protected:
    void SetUp() override
    {
        FrontendTest::SetUp();
        reference = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    }
    void TearDown() override
    {
        destroy_bitmap(reference);
        FrontendTest::TearDown();
    }
    // The title past its reveal with the logo in place and the menu live.
    void title_ready()
    {
        title_begin();
        for (int i = 0; i < 200 && !menu_ready; i++) {
            title_input();
            title_processing();
        }
        ASSERT_TRUE(menu_ready);
    }
    void title_tick()
    {
        title_input();
        title_processing();
        title_draw_screen();
    }
    BITMAP* reference = nullptr;
};

// The root menu's frame as the title's layout describes it: the picture, the
// logo, the left arrow, the items inside the carousel's window, the right arrow.
struct CarouselCase {
    const char* what;
    int choice, next, scroll_x, scroll_dx;
    int incoming_x;  // centre of the incoming item at scroll 0; 0: none
};

TEST_F(Frames, CarouselItemsEnterFromTheirSideInsideTheWindowBetweenTheArrows)
{
    const CarouselCase cases[] = {
        {"still on start", 0, 0, 0, 0, 0},
        {"right pressed: start leaves left, controls enters from the right", 0, 1, -60, -6, 424},
        {"left pressed: start leaves right, quit enters from the left", 0, 2, 60, 6, 224},
        {"right, nearly done: quit almost in, controls clipped at the window's left", 1, 2, -96, -6, 424},
        {"left, from quit: controls enters from the left", 2, 1, 42, 6, 224},
    };
    title_ready();
    for (const CarouselCase& c : cases) {
        SCOPED_TRACE(c.what);
        menu_choice = c.choice;
        next_choice = c.next;
        scroll_x = c.scroll_x;
        scroll_dx = c.scroll_dx;
        title_draw_screen();

        blit(data_bitmap(BMP_TITLE_BACKGROUND), reference, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
        set_alpha_blender();
        draw_trans_sprite(reference, data_bitmap(BMP_LOGO), 6, 6);
        centred(reference, BMP_ARROW_LEFT, 244, 440);
        set_clip_rect(reference, 255, 415, 385, 479);
        centred(reference, root_menu_choices[c.choice], 324 + c.scroll_x, 440);
        if (c.incoming_x)
            centred(reference, root_menu_choices[c.next], c.incoming_x + c.scroll_x, 440);
        set_clip_rect(reference, 0, 0, SCREEN_WIDTH - 1, SCREEN_HEIGHT - 1);
        centred(reference, BMP_ARROW_RIGHT, 404, 440);
        EXPECT_EQ(differing(buffer, reference), 0);
    }
}

TEST_F(Frames, EscInTheJoystickAndKeyboardPagesDoesNothing)
{
    title_ready();
    // ENTER on "controls" opens the joystick page; RIGHT then ENTER the keyboard page.
    const int to_page[][2] = {{KEY_RIGHT, KEY_ENTER}, {KEY_RIGHT, KEY_ENTER}};
    for (int page = TITLE_MENU_JOYSTICK; page <= TITLE_MENU_KEYBOARD; page++) {
        for (int k : to_page[page - 1]) {
            key[k] = 1;
            title_tick();
            key[k] = 0;
            for (int i = 0; i < 20; i++)
                title_tick();
        }
        ASSERT_EQ(current_menu, page);
        const int choice = menu_choice, next = next_choice;
        key[KEY_ESC] = 1;
        for (int i = 0; i < 30; i++)
            title_tick();
        key[KEY_ESC] = 0;
        EXPECT_EQ(current_menu, page);
        EXPECT_EQ(scroll_dx, 0) << "page " << page << ": no scroll towards an item";
        EXPECT_EQ(menu_choice, choice);
        EXPECT_EQ(next_choice, next);
        EXPECT_EQ(title_go, -1);
        EXPECT_EQ(title_da, 0);
    }
}

TEST_F(Frames, TheFadeOutDarkensTheWholeFrameByTheBrightness)
{
    title_ready();
    title_tick();
    BITMAP* lit = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    blit(buffer, lit, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    key[KEY_ENTER] = 1;  // start: the picture fades by 4 a tick
    title_tick();
    key[KEY_ENTER] = 0;
    // A quarter of the way down and three quarters of the way.
    for (int brightness : {191, 63}) {
        while (title_a > brightness)
            title_tick();
        ASSERT_EQ(title_a, brightness);
        int checked = 0;
        for (int y = 0; y < SCREEN_HEIGHT; y += 7)
            for (int x = 0; x < SCREEN_WIDTH; x += 7) {
                const int was = getpixel(lit, x, y), is = getpixel(buffer, x, y);
                ASSERT_NEAR(getr(is), getr(was) * brightness / 255, 2) << x << "," << y;
                ASSERT_NEAR(getg(is), getg(was) * brightness / 255, 2) << x << "," << y;
                ASSERT_NEAR(getb(is), getb(was) * brightness / 255, 2) << x << "," << y;
                checked += getr(was) + getg(was) + getb(was) > 200;
            }
        EXPECT_GT(checked, 500) << "enough bright pixels to see the darkening";
    }
    destroy_bitmap(lit);
}

// The level under the pause menu, as a plain picture.
void level_picture(bool)
{
    clear_to_color(buffer, makecol(180, 120, 200));
}

TEST_F(Frames, PauseMarkerSitsOnTheRowOfTheSelection)
{
    for (int selection = 0; selection < 2; selection++) {
        SCOPED_TRACE(selection ? "quit" : "go on");
        // Released, moved down (for quit) and confirmed.
        script_polls(
            [selection] {
                key[KEY_DOWN] = selection == 1 && poll_count == 2;
                key[KEY_ENTER] = poll_count >= 4;
            },
            false);
        EXPECT_EQ(do_pausemenu(level_picture), selection == 0);

        clear_to_color(reference, makecol(180, 120, 200));
        fblend_rect_trans(reference, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, 128);
        set_alpha_blender();
        BITMAP* panel = data_bitmap(BMP_PAUSE_PANEL);
        const int px = 320 - panel->w / 2, py = 240 - panel->h / 2;
        draw_trans_sprite(reference, panel, px, py);
        draw_trans_sprite(reference, data_bitmap(BMP_PAUSE_MARKER), px + 50, py + (selection ? 150 : 104));
        EXPECT_EQ(differing(buffer, reference), 0);
    }
}

TEST_F(Frames, TheEndingNoticeSaysTheEndingIsSkipped)
{
    no_mp3 = true;
    clear_to_color(screen, makecol(9, 9, 9));
    stupid_ending();  // headless, readkey returns at once

    // Each line drawn alone on black, centred on x 320 at a given top.
    const int h = text_height(mainfont);
    auto line_at = [&](const char* text, int y) {
        clear_to_color(reference, 0);
        textout_centre_ex(reference, mainfont, text, 320, y, -1, -1);
    };
    auto same_rows = [&](int y0, int y1) {
        for (int y = y0; y < y1; y++)
            for (int x = 0; x < SCREEN_WIDTH; x++)
                if (getpixel(screen, x, y) != getpixel(reference, x, y))
                    return false;
        return true;
    };
    line_at("Sorry!! Ending will be skipped!", 240);
    EXPECT_TRUE(same_rows(0, 240 + h)) << "the first line at y 240, black above";
    // The second line on a line of its own below the first.
    int second = -1;
    for (int y = 240 + h; y <= 240 + 2 * h && second < 0; y++) {
        line_at("(it wouldn't make sense without mp3's)", y);
        if (same_rows(240 + h, SCREEN_HEIGHT))
            second = y;
    }
    EXPECT_GE(second, 0) << "the second line below the first, black below it";
}

}  // namespace
