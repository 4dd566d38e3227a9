// The title screen tick by tick with injected keys: quitting before and after
// the menu is ready, the carousel's moves and wrapping, choosing during a
// scroll, the joystick and keyboard pages, the reveal and the fade-out.
#include "datidx.h"
#include "facts.h"
#include "menu.h"
#include "pacing.h"
#include "test_menu_support.h"
#include <algorithm>
#include <string>
#include <vector>

namespace {

class TitleTest : public FrontendTest {
protected:
    void SetUp() override
    {
        FrontendTest::SetUp();
        title_song = 1;
        title_begin();
    }
    // One pass of the title loop as it runs in play (free-running: every pass draws).
    void tick()
    {
        title_input();
        title_processing();
        title_draw_screen();
    }
    void ticks(int n)
    {
        for (int i = 0; i < n; i++)
            tick();
    }
    void press(int k)
    {
        key[k] = 1;
        tick();
        key[k] = 0;
    }
    // Runs until the logo is in place, then one tick without keys so the
    // edge flags of earlier tests are forgotten.
    void until_ready()
    {
        for (int i = 0; i < 200 && !menu_ready; i++)
            tick();
        ASSERT_TRUE(menu_ready);
        tick();
    }
    // Lets a scroll under way finish.
    void settle()
    {
        for (int i = 0; i < 30 && scroll_dx != 0; i++)
            tick();
        ASSERT_EQ(scroll_dx, 0);
    }
};

TEST_F(TitleTest, EscBeforeTheMenuIsReadyQuitsAtOnce)
{
    // During the reveal, and during the logo slide.
    for (int at : {0, 40, 92}) {
        title_begin();
        ticks(at);
        ASSERT_FALSE(menu_ready);
        key[KEY_ESC] = 1;
        title_input();
        EXPECT_EQ(title_go, MENU_QUIT) << "ESC at tick " << at;
        EXPECT_EQ(title_a, 255) << "no fade";
        key[KEY_ESC] = 0;
    }
    // Through the whole loop, ESC going down at the first tick's poll: it ends
    // after the one tick in which ESC was seen.
    script_polls([] { key[KEY_ESC] = 1; }, false);
    EXPECT_EQ(title_screen(), MENU_QUIT);
    EXPECT_EQ(fpscounter, 1);
}

TEST_F(TitleTest, MenuBecomesReadyWhenTheLogoHasSlidIn)
{
    const int w = data_bitmap(BMP_LOGO)->w;
    const int steps = (w + 6 + 14) / 15;  // 15 pixels a tick from -w to 6 or past it
    ticks(89 + steps - 1);
    EXPECT_FALSE(menu_ready);
    EXPECT_LT(logo_x, 6);
    tick();
    EXPECT_TRUE(menu_ready);
    EXPECT_EQ(logo_x, 6);
}

TEST_F(TitleTest, EscWhenReadyScrollsToQuitWithoutChoosing)
{
    until_ready();
    press(KEY_ESC);
    EXPECT_EQ(next_choice, 2);
    EXPECT_EQ(scroll_dx, 6);
    ticks(15);
    EXPECT_EQ(menu_choice, 0) << "still scrolling after 16 ticks";
    tick();
    EXPECT_EQ(menu_choice, 2);
    EXPECT_EQ(scroll_dx, 0);
    EXPECT_EQ(title_go, -1);
    EXPECT_EQ(title_da, 0);

    // Held, ESC scrolls again and again.
    key[KEY_ESC] = 1;
    ticks(17);
    EXPECT_EQ(menu_choice, 2);
    tick();
    EXPECT_EQ(scroll_dx, 6) << "a held ESC starts another scroll";
    key[KEY_ESC] = 0;
    settle();

    // ENTER on quit fades out over 64 ticks, then the title ends with MENU_QUIT.
    press(KEY_ENTER);
    EXPECT_EQ(title_da, -4);
    ticks(62);
    EXPECT_EQ(title_go, -1);
    tick();
    EXPECT_EQ(title_go, MENU_QUIT);
    EXPECT_EQ(title_a, 0);
}

TEST_F(TitleTest, HeldRightMovesOnceAndTheCarouselWraps)
{
    until_ready();
    key[KEY_RIGHT] = 1;
    ticks(60);
    key[KEY_RIGHT] = 0;
    tick();
    EXPECT_EQ(menu_choice, 1) << "holding RIGHT moves one item";

    press(KEY_RIGHT);
    settle();
    EXPECT_EQ(menu_choice, 2);
    press(KEY_RIGHT);
    EXPECT_EQ(scroll_dx, -6);
    settle();
    EXPECT_EQ(menu_choice, 0) << "RIGHT from the last item wraps to the first";
    press(KEY_LEFT);
    EXPECT_EQ(scroll_dx, 6);
    settle();
    EXPECT_EQ(menu_choice, 2) << "LEFT from the first item wraps to the last";
}

TEST_F(TitleTest, EnterDuringAScrollActsOnTheItemScrolledTo)
{
    until_ready();
    press(KEY_RIGHT);  // towards "controls"
    ticks(5);
    ASSERT_NE(scroll_dx, 0);
    press(KEY_ENTER);
    EXPECT_EQ(current_menu, TITLE_MENU_JOYSTICK);
    EXPECT_EQ(menu_choices, joystick_menu_choices);
    settle();
    EXPECT_EQ(menu_choice, 1) << "the scroll lands on its target in the new menu";

    // From the joystick page's "back" (item 2) scrolling right lands on remap...
    press(KEY_RIGHT);
    settle();
    ASSERT_EQ(menu_choice, 2);
    press(KEY_ENTER);  // back to the root menu
    ASSERT_EQ(current_menu, TITLE_MENU_ROOT);
    press(KEY_LEFT);   // root item 0 -> 2 (quit)
    press(KEY_RIGHT);  // mid-scroll, now towards item 1 from item 0
    ticks(3);
    press(KEY_LEFT);  // towards 2 again
    ticks(2);
    press(KEY_ENTER);
    EXPECT_EQ(title_da, -4);
    EXPECT_EQ(pending_title_go, MENU_QUIT);

    // Start chosen while scrolling from quit towards start.
    title_begin();
    until_ready();
    press(KEY_LEFT);
    settle();
    ASSERT_EQ(menu_choice, 2);
    press(KEY_RIGHT);
    ticks(10);
    press(KEY_ENTER);
    EXPECT_EQ(pending_title_go, MENU_START);
    ticks(70);
    EXPECT_EQ(title_go, MENU_START);
}

TEST_F(TitleTest, AJoystickButtonChoosesOnceWhileHeld)
{
    // A remap started by mistake would wait on the joystick: answer it after
    // a while so the fault shows as a failure, not a hang.
    script_polls(
        [] {
            if (poll_count > 1000) {
                set_buttons({});
                joy[0].button[0].b = poll_count % 2;
            }
        },
        true);
    until_ready();
    press(KEY_RIGHT);
    settle();
    set_buttons({4});
    tick();
    ASSERT_EQ(current_menu, TITLE_MENU_JOYSTICK);
    ticks(5);  // still held: the joystick page's first item (remap) is not chosen
    set_buttons({});
    tick();
    EXPECT_EQ(current_menu, TITLE_MENU_JOYSTICK);
    EXPECT_EQ(menu_choice, 0);
    EXPECT_LT(poll_count, 1000) << "no remapping was started";
}

TEST(TitleLabels, JoystickPageLabels)
{
    std::memcpy(joystick_controls, default_joystick_controls, sizeof joystick_controls);
    const char* expected[NUM_JOY_BUTTONS] = {
        "Shoot", "Brake", "Reverse", "Gas", "(unused)", "(unused)", "Prev. Hud", "Next Hud", "Pause"};
    for (int b = 0; b < NUM_JOY_BUTTONS; b++)
        EXPECT_STREQ(joystick_button_label(b), expected[b]) << "button " << b;

    // Two controls on one button: the later control in the list is named.
    joystick_controls[CONTROL_PAUSE] = 0;  // with Shoot
    EXPECT_STREQ(joystick_button_label(0), "Pause");
    EXPECT_STREQ(joystick_button_label(8), "(unused)");
    joystick_controls[CONTROL_GAS] = 0;
    EXPECT_STREQ(joystick_button_label(0), "Pause");
    EXPECT_STREQ(joystick_button_label(3), "(unused)");
    std::memcpy(joystick_controls, default_joystick_controls, sizeof joystick_controls);
}

// Counts pixels of the rectangle where a and b differ.
int differing_pixels(BITMAP* a, BITMAP* b, int x, int y, int w, int h)
{
    int n = 0;
    for (int j = y; j < y + h; j++)
        for (int i = x; i < x + w; i++)
            n += getpixel(a, i, j) != getpixel(b, i, j);
    return n;
}

TEST_F(TitleTest, PagesDrawTheirLabelsAndHelpText)
{
    until_ready();
    press(KEY_RIGHT);
    settle();
    press(KEY_ENTER);
    ASSERT_EQ(current_menu, TITLE_MENU_JOYSTICK);
    tick();
    // Each label is drawn over the joypad picture at its button's place.
    BITMAP* pad = data_bitmap(BMP_JOYPAD);
    for (int b = 0; b < NUM_JOY_BUTTONS; b++) {
        const int w = text_length(mainfont, joystick_button_label(b));
        EXPECT_GT(
            differing_pixels(buffer, pad, JOYPAD_LABEL_SPOTS[b][0], JOYPAD_LABEL_SPOTS[b][1], w, text_height(mainfont)),
            0)
            << "label of button " << b;
    }
    // Far from any label, the joypad shows unchanged.
    EXPECT_EQ(differing_pixels(buffer, pad, 560, 200, 60, 60), 0);

    // Keyboard page: black with the help text in pure red from (10, 10).
    press(KEY_RIGHT);
    settle();
    press(KEY_ENTER);
    ASSERT_EQ(current_menu, TITLE_MENU_KEYBOARD);
    EXPECT_EQ(num_menu_choices, 3);
    tick();
    const int red = makecol(255, 0, 0);
    int red_pixels = 0, other_pixels = 0;
    for (int y = 0; y < 400; y++)
        for (int x = 0; x < SCREEN_WIDTH; x++) {
            const int c = getpixel(buffer, x, y);
            red_pixels += c == red;
            other_pixels += c != red && c != 0;
        }
    EXPECT_GT(red_pixels, 200);
    EXPECT_EQ(other_pixels, 0);
    for (int y = 0; y < 10; y++)
        for (int x = 0; x < SCREEN_WIDTH; x++)
            ASSERT_EQ(getpixel(buffer, x, y), 0) << "nothing above the first line";

    // Back from the keyboard page (the last item, left of "remap") goes to the root menu.
    press(KEY_LEFT);
    settle();
    press(KEY_ENTER);
    EXPECT_EQ(current_menu, TITLE_MENU_ROOT);
}

// The keyboard page's text comes from the archive with the mapping's keys put
// in as it is drawn: a remapping changes the line of its action only.
TEST_F(TitleTest, TheKeyboardPageNamesTheMappedKeys)
{
    const std::string archived(static_cast<const char*>(data[TXT_KEYBOARD_HELP].dat));
    for (const KeyActionInfo& a : KEY_ACTIONS)
        EXPECT_NE(archived.find(a.help_token), std::string::npos) << a.label << " has its place in the help";
    const std::string shown = keyboard_help_text(archived, key_map);
    EXPECT_EQ(shown.find('{'), std::string::npos) << shown;
    EXPECT_NE(shown.find("Left Ctrl ....... fire"), std::string::npos) << shown;

    until_ready();
    press(KEY_RIGHT);
    settle();
    press(KEY_ENTER);
    press(KEY_RIGHT);
    settle();
    press(KEY_ENTER);
    ASSERT_EQ(current_menu, TITLE_MENU_KEYBOARD);
    tick();
    BITMAP* before = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    blit(buffer, before, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
    key_map[ACTION_GAS] = KEY_W;
    tick();
    key_map[ACTION_GAS] = KEY_UP;
    // The gas line is the help's third (from the text's second byte), 10 pixels a line.
    const int gas_line_y = 10 + 10 * 2;
    EXPECT_GT(differing_pixels(buffer, before, 0, gas_line_y, SCREEN_WIDTH, 8), 0);
    EXPECT_EQ(differing_pixels(buffer, before, 0, 0, SCREEN_WIDTH, gas_line_y), 0);
    EXPECT_EQ(differing_pixels(buffer, before, 0, gas_line_y + 10, SCREEN_WIDTH, 400 - gas_line_y - 10), 0);
    destroy_bitmap(before);
}

TEST_F(TitleTest, RemapWithoutAJoystickChangesNothing)
{
    until_ready();
    press(KEY_RIGHT);
    settle();
    press(KEY_ENTER);
    ASSERT_EQ(current_menu, TITLE_MENU_JOYSTICK);
    ASSERT_EQ(menu_choice, 0);
    press(KEY_ENTER);  // remap
    EXPECT_EQ(current_menu, TITLE_MENU_JOYSTICK);
    EXPECT_EQ(menu_choice, 0);
    EXPECT_EQ(0, std::memcmp(joystick_controls, default_joystick_controls, sizeof joystick_controls));
}

TEST_F(TitleTest, ThePictureIsRevealedInBands)
{
    ticks(45);  // 45 / 90 of each band of 48 lines: 24 lines
    BITMAP* bg = data_bitmap(BMP_TITLE_BACKGROUND);
    for (int band = 0; band < 10; band++) {
        const int y = 48 * band;
        EXPECT_EQ(differing_pixels(buffer, bg, 0, y, SCREEN_WIDTH, 24), 0) << "band " << band;
        for (int x = 0; x < SCREEN_WIDTH; x += 7)
            ASSERT_EQ(getpixel(buffer, x, y + 24), 0) << "band " << band;
    }
}

TEST_F(TitleTest, TitleSongsAlternateAndTheMusicFadesWithThePicture)
{
    EXPECT_EQ(title_song, 0);
    title_begin();
    EXPECT_EQ(title_song, 1);
    EXPECT_EQ(songbox->get_volume(), 192);
    until_ready();
    press(KEY_ENTER);  // start
    ticks(20);
    EXPECT_EQ(songbox->get_volume(), 192 - 4 * 21);
}

// Held from the intro: neither ESC quits nor anything moves or chooses, however
// long it is held; released and pressed again, each acts as usual.
TEST_F(TitleTest, InputHeldFromTheIntroCountsOnlyOncePressedAgain)
{
    const struct {
        const char* what;
        std::function<void(bool)> set;
        std::function<bool()> acted;
    } cases[] = {
        {"ESC", [](bool d) { key[KEY_ESC] = d; }, [] { return next_choice == 2 && scroll_dx == 6; }},
        {"LEFT", [](bool d) { key[KEY_LEFT] = d; }, [] { return next_choice == 2 && scroll_dx == 6; }},
        {"RIGHT", [](bool d) { key[KEY_RIGHT] = d; }, [] { return next_choice == 1 && scroll_dx == -6; }},
        {"ENTER", [](bool d) { key[KEY_ENTER] = d; }, [] { return title_da == -4; }},
        {"joystick button",
            [](bool d) { set_buttons(d ? std::initializer_list<int> {0} : std::initializer_list<int> {}); },
            [] { return title_da == -4; }},
        {"stick pushed left", [](bool d) { joy[0].stick[0].axis[0].d1 = d; },
            [] { return next_choice == 2 && scroll_dx == 6; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        script_polls(nullptr, true);
        next_choice = 0;
        c.set(true);
        title_begin();
        for (int i = 0; i < 200 && !menu_ready; i++)
            tick();
        ASSERT_TRUE(menu_ready);
        ticks(30);
        EXPECT_EQ(title_go, -1);
        EXPECT_EQ(title_da, 0);
        EXPECT_EQ(scroll_dx, 0);
        EXPECT_EQ(menu_choice, 0);
        c.set(false);
        tick();
        c.set(true);
        tick();
        EXPECT_TRUE(c.acted());
        release_all_input();
        tick();
    }
}

// ---- The keyboard remapping, tick by tick ----------------------------------

// A player at the remapping: each entry of `held` is the set of keys down
// during one tick.
struct RemapScript {
    const char* what;
    std::vector<std::vector<int>> held;
    KeyRemap::State state;
    std::vector<int> map;  // the round's mapping at the end
    const char* message;   // part of the message shown at the end ("" none)
};

// Taps: each key down for a tick, then nothing down for a tick.
std::vector<std::vector<int>> taps(std::initializer_list<int> keys)
{
    std::vector<std::vector<int>> held;
    for (int k : keys) {
        held.push_back({k});
        held.push_back({});
    }
    return held;
}
std::vector<std::vector<int>> operator+(std::vector<std::vector<int>> a, const std::vector<std::vector<int>>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(KeyRemapTest, KeysAreTakenInTurnAndRefusedWhenTakenOrReserved)
{
    const int L = KEY_LEFT, R = KEY_RIGHT, U = KEY_UP, D = KEY_DOWN, C = KEY_LCONTROL, S = KEY_SPACE, T = KEY_TAB,
              H = KEY_H, N = NO_KEY;
    const std::vector<int> classic = {L, R, U, D, C, S, T, H, N};
    const std::vector<int> wasd = {KEY_A, KEY_D, KEY_W, KEY_S, KEY_J, KEY_K, KEY_1, KEY_2, KEY_P};
    const auto all_wasd = taps({KEY_A, KEY_D, KEY_W, KEY_S, KEY_J, KEY_K, KEY_1, KEY_2, KEY_P});
    const RemapScript scripts[] = {
        {"a whole new set", all_wasd, KeyRemap::DONE, wasd, ""},
        {"Enter keeps each key",
            taps({KEY_ENTER, KEY_ENTER, KEY_ENTER, KEY_ENTER, KEY_ENTER, KEY_ENTER, KEY_ENTER, KEY_ENTER, KEY_ENTER}),
            KeyRemap::DONE, classic, ""},
        {"ESC cancels halfway", taps({KEY_A, KEY_D, KEY_ESC}), KeyRemap::CANCELLED, classic, ""},
        {"ESC cancels while a key is still held", {{KEY_A}, {KEY_A, KEY_ESC}}, KeyRemap::CANCELLED, classic, ""},
        {"a key given earlier in the round is refused", taps({KEY_A, KEY_A}), KeyRemap::ASKING,
            {KEY_A, R, U, D, C, S, T, H, N}, "A is taken by Steer left"},
        {"and the player chooses again", taps({KEY_A, KEY_A, KEY_D}), KeyRemap::ASKING,
            {KEY_A, KEY_D, U, D, C, S, T, H, N}, ""},
        {"keeping a key given away is refused", taps({KEY_UP, KEY_ENTER, KEY_ENTER}), KeyRemap::ASKING,
            {U, R, U, D, C, S, T, H, N}, "Up is taken by Steer left"},
        {"the old key of an action not yet asked is free", taps({KEY_UP}), KeyRemap::ASKING,
            {U, R, U, D, C, S, T, H, N}, ""},
        {"F11 is the display's", taps({KEY_F11}), KeyRemap::ASKING, classic, "F11 switches full screen"},
        {"F10 is the display's", taps({KEY_F10}), KeyRemap::ASKING, classic, "F10 changes the scaling"},
        {"PgUp is the volume's", taps({KEY_PGUP}), KeyRemap::ASKING, classic, "PgUp sets the volume"},
        {"F shows the frame rate", taps({KEY_F}), KeyRemap::ASKING, classic, "F shows the frame rate"},
        {"Alt+Enter is the display's", {{KEY_ALT}, {KEY_ALT, KEY_ENTER}, {KEY_ALT}, {}}, KeyRemap::ASKING, classic,
            "Alt+Enter switches full screen"},
        {"a modifier alone is taken when let go of", {{KEY_ALT}, {KEY_ALT}, {}}, KeyRemap::ASKING,
            {KEY_ALT, R, U, D, C, S, T, H, N}, ""},
        {"a modifier held is not yet taken", {{KEY_ALT}, {KEY_ALT}}, KeyRemap::ASKING, classic, ""},
        {"a key pressed with a modifier is the key", {{KEY_LSHIFT}, {KEY_LSHIFT, KEY_Q}, {}}, KeyRemap::ASKING,
            {KEY_Q, R, U, D, C, S, T, H, N}, ""},
        {"a key counts once all keys are up again", {{KEY_A}, {KEY_A, KEY_D}, {KEY_D}, {}}, KeyRemap::ASKING,
            {KEY_A, R, U, D, C, S, T, H, N}, ""},
        {"the last key ends the round once let go of", all_wasd + std::vector<std::vector<int>> {{KEY_B}},
            KeyRemap::DONE, wasd, ""},
    };
    for (const auto& sc : scripts) {
        SCOPED_TRACE(sc.what);
        char keys[KEY_MAX] = {};
        keys[KEY_ENTER] = 1;  // the press that chose "remap", still down
        KeyRemap r;
        key_remap_begin(r, classic.data(), keys);
        keys[KEY_ENTER] = 0;
        key_remap_step(r, keys);
        for (const auto& tick : sc.held) {
            std::fill(keys, keys + KEY_MAX, 0);
            for (int k : tick)
                keys[k] = 1;
            key_remap_step(r, keys);
        }
        EXPECT_EQ(r.state, sc.state);
        EXPECT_EQ(std::vector<int>(r.map, r.map + NUM_KEY_ACTIONS), sc.map);
        if (*sc.message)
            EXPECT_NE(r.message.find(sc.message), std::string::npos) << r.message;
        else
            EXPECT_EQ(r.message, "");
    }
}

TEST(KeyRemapTest, APressHeldFromBeforeCountsOnlyOnceReleased)
{
    char keys[KEY_MAX] = {};
    keys[KEY_ENTER] = 1;
    keys[KEY_W] = 1;
    const int classic[NUM_KEY_ACTIONS] = {
        KEY_LEFT, KEY_RIGHT, KEY_UP, KEY_DOWN, KEY_LCONTROL, KEY_SPACE, KEY_TAB, KEY_H, NO_KEY};
    KeyRemap r;
    key_remap_begin(r, classic, keys);
    for (int i = 0; i < 5; i++)
        key_remap_step(r, keys);
    EXPECT_EQ(r.action, 0) << "Enter and W held since before";
    keys[KEY_ENTER] = keys[KEY_W] = 0;
    key_remap_step(r, keys);
    keys[KEY_W] = 1;
    key_remap_step(r, keys);
    EXPECT_EQ(r.action, 1);
    EXPECT_EQ(r.map[ACTION_STEER_LEFT], KEY_W);
}

}  // namespace
