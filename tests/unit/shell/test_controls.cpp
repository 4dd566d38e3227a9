// One tick's reading of the keyboard and joystick 0: which key and which part
// of the stick each control comes from, and that a joystick counts only when
// there is one and only with the buttons it has. Also which presses belong to
// a screen: keys, buttons and stick directions held over from the screen
// before, and the repeats of held keys, do not count until released.
#include "controls.h"
#include "test_menu_support.h"
#include "test_config_file.h"
#include "test_support.h"
#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <cstring>
#include <iterator>
#include <string>

namespace {

class ControlsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        headless_init(32);
        clear();
    }
    void TearDown() override { clear(); }
    static void clear()
    {
        std::memset(const_cast<char*>(key), 0, KEY_MAX);
        std::memset(joy, 0, sizeof(JOYSTICK_INFO) * MAX_JOYSTICKS);
        num_joysticks = 0;
    }
};

// The key table is the game's own; what is checked here is that it names
// every fixed key control once, and that reading the keys follows it.
TEST_F(ControlsTest, EachKeyFeedsItsOwnControl)
{
    bool Controls::*const key_fields[] = {&Controls::esc, &Controls::enter, &Controls::f, &Controls::pgup,
        &Controls::pgdn, &Controls::up, &Controls::down, &Controls::left, &Controls::right};
    ASSERT_EQ(NUM_KEY_CONTROLS, static_cast<int>(std::size(key_fields)));
    for (bool Controls::*field : key_fields) {
        int entries = 0;
        for (int i = 0; i < NUM_KEY_CONTROLS; i++)
            entries += KEY_CONTROLS[i].field == field;
        EXPECT_EQ(entries, 1);
    }
    for (int i = 0; i < NUM_KEY_CONTROLS; i++) {
        const KeyControl& k = KEY_CONTROLS[i];
        SCOPED_TRACE(k.scancode);
        key[k.scancode] = 1;
        const Controls c = sample_controls();
        for (int j = 0; j < NUM_KEY_CONTROLS; j++)
            EXPECT_EQ(c.*KEY_CONTROLS[j].field, j == i) << "field of key " << KEY_CONTROLS[j].scancode;
        key[k.scancode] = 0;
    }
    EXPECT_FALSE(sample_controls().any_button());
}

TEST_F(ControlsTest, StickDirectionsAndButtonsOfAPresentJoystick)
{
    num_joysticks = 1;
    joy[0].num_buttons = 9;
    struct {
        int axis;
        bool left_or_up;
        bool Controls::*field;
    } stick[] = {
        {0, true, &Controls::stick_left},
        {0, false, &Controls::stick_right},
        {1, true, &Controls::stick_up},
        {1, false, &Controls::stick_down},
    };
    for (const auto& s : stick) {
        JOYSTICK_AXIS_INFO& a = joy[0].stick[0].axis[s.axis];
        (s.left_or_up ? a.d1 : a.d2) = 1;
        const Controls c = sample_controls();
        for (const auto& other : stick)
            EXPECT_EQ(c.*other.field, other.field == s.field);
        a.d1 = a.d2 = 0;
    }
    joy[0].button[8].b = 1;
    Controls c = sample_controls();
    EXPECT_TRUE(c.joy_button(8));
    EXPECT_FALSE(c.joy_button(0));
    EXPECT_TRUE(c.any_button());
    // Mapping entries outside 0..8 are never down.
    EXPECT_FALSE(c.joy_button(-1));
    EXPECT_FALSE(c.joy_button(9));
}

TEST_F(ControlsTest, NoJoystickOrAMissingButtonReadsAsUp)
{
    // Whatever the joystick state says, there is no joystick.
    joy[0].num_buttons = 9;
    joy[0].button[0].b = 1;
    joy[0].stick[0].axis[0].d1 = 1;
    joy[0].stick[0].axis[1].d2 = 1;
    Controls c = sample_controls();
    EXPECT_FALSE(c.any_button());
    EXPECT_FALSE(c.stick_left);
    EXPECT_FALSE(c.stick_down);
    // A four-button stick has no button 8.
    num_joysticks = 1;
    joy[0].num_buttons = 4;
    joy[0].button[8].b = 1;
    c = sample_controls();
    EXPECT_TRUE(c.joy_button(0));
    EXPECT_FALSE(c.joy_button(8));
}

class FreshInput : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        XKeys::install();
    }
    void TearDown() override
    {
        XKeys::uninstall();
        ControlsTest::TearDown();
    }
};

TEST_F(FreshInput, AKeyHeldWhenTheScreenBeganCountsOnlyOnceReleasedAndPressedAgain)
{
    XKeys::press(KEY_UP);
    XKeys::press(KEY_LEFT);
    fresh_input_begin();
    EXPECT_TRUE(XKeys::buffer.empty()) << "the buffer is emptied";
    for (int i = 0; i < 5; i++) {
        XKeys::repeat(KEY_LEFT);
        EXPECT_FALSE(fresh_keypressed()) << "repeat " << i;
    }
    // Released after one more repeat, both seen at the same check: the repeat
    // was held over too.
    XKeys::repeat(KEY_LEFT);
    XKeys::release(KEY_LEFT);
    EXPECT_FALSE(fresh_keypressed());
    XKeys::press(KEY_LEFT);
    EXPECT_TRUE(fresh_keypressed()) << "pressed again after its release";
    EXPECT_TRUE(fresh_keypressed()) << "asking does not use the press up";

    // A new beginning: Left is held over again, and Up still is.
    fresh_input_begin();
    EXPECT_FALSE(fresh_keypressed());
    XKeys::repeat(KEY_LEFT);
    XKeys::repeat(KEY_UP);
    EXPECT_FALSE(fresh_keypressed());
}

TEST_F(FreshInput, OtherPressesCountWhileAHeldKeyRepeats)
{
    const struct {
        const char* what;
        std::function<void()> press;
    } cases[] = {
        {"another key", [] { XKeys::press(KEY_SPACE); }},
        {"another key tapped between two checks",
            [] {
                XKeys::press(KEY_A);
                XKeys::release(KEY_A);
            }},
        {"an entry without a scancode", [] { XKeys::buffer.push_back('x'); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        XKeys::press(KEY_UP);
        fresh_input_begin();
        XKeys::repeat(KEY_UP);
        EXPECT_FALSE(fresh_keypressed());
        c.press();
        XKeys::repeat(KEY_UP);
        EXPECT_TRUE(fresh_keypressed());
        clear();
    }
}

TEST_F(FreshInput, ButtonsAndStickDirectionsHeldOverReadUpUntilReleased)
{
    num_joysticks = 1;
    joy[0].num_buttons = 9;
    joy[0].button[2].b = 1;
    joy[0].stick[0].axis[0].d1 = 1;  // pushed left
    XKeys::press(KEY_ESC);
    XKeys::press(KEY_ENTER);
    fresh_input_begin();
    EXPECT_FALSE(fresh_joybutton());
    Controls c = fresh_controls(sample_controls());
    EXPECT_FALSE(c.esc || c.enter || c.any_button() || c.stick_left) << "all held over";

    joy[0].button[4].b = 1;
    key[KEY_RIGHT] = 1;
    EXPECT_TRUE(fresh_joybutton()) << "a button pressed beside the held one";
    c = fresh_controls(sample_controls());
    EXPECT_TRUE(c.right);
    EXPECT_TRUE(c.joy_button(4));
    EXPECT_FALSE(c.joy_button(2));
    joy[0].button[4].b = 0;

    // Each is let go of once seen up, and then reads as it is.
    joy[0].button[2].b = 0;
    joy[0].stick[0].axis[0].d1 = 0;
    key[KEY_ESC] = 0;
    c = fresh_controls(sample_controls());
    EXPECT_FALSE(fresh_joybutton());
    joy[0].button[2].b = 1;
    joy[0].stick[0].axis[0].d1 = 1;
    key[KEY_ESC] = 1;
    EXPECT_TRUE(fresh_joybutton());
    c = fresh_controls(sample_controls());
    EXPECT_TRUE(c.esc && c.joy_button(2) && c.stick_left);
    EXPECT_FALSE(c.enter) << "ENTER was never released";
}

// ---- The keyboard mapping ------------------------------------------------

class KeyMapping : public ControlsTest {
protected:
    void SetUp() override
    {
        ControlsTest::SetUp();
        defaults();
    }
    void TearDown() override
    {
        defaults();
        ControlsTest::TearDown();
    }
    static void defaults()
    {
        for (int a = 0; a < NUM_KEY_ACTIONS; a++)
            key_map[a] = KEY_ACTIONS[a].default_key;
    }
    // The actions sample_controls reports with only `scancode` down.
    static std::string actions_of(int scancode)
    {
        key[scancode] = 1;
        const Controls c = sample_controls();
        key[scancode] = 0;
        std::string on;
        for (const KeyActionInfo& a : KEY_ACTIONS)
            if (c.*a.field)
                on += std::string(on.empty() ? "" : ",") + a.label;
        return on;
    }
};

// A fresh mapping is the classic keyboard: arrows drive, left Ctrl shoots,
// Space brakes, Tab and H work the HUD, and only ESC pauses.
TEST_F(KeyMapping, DefaultsAreTheClassicKeysAndEachDrivesOneAction)
{
    const struct {
        int scancode;
        const char* actions;
    } cases[] = {{KEY_LEFT, "Steer left"}, {KEY_RIGHT, "Steer right"}, {KEY_UP, "Gas"}, {KEY_DOWN, "Reverse"},
        {KEY_LCONTROL, "Shoot"}, {KEY_SPACE, "Brake"}, {KEY_TAB, "HUD panel"}, {KEY_H, "Hide HUD"}, {KEY_ESC, ""},
        {KEY_P, ""}, {KEY_RCONTROL, ""}};
    for (const auto& c : cases)
        EXPECT_EQ(actions_of(c.scancode), c.actions) << key_name(c.scancode);
    key[KEY_ESC] = 1;
    EXPECT_TRUE(sample_controls().esc) << "ESC pauses as a fixed key";
    key[KEY_ESC] = 0;
    // The arrows still move through menus.
    key[KEY_UP] = 1;
    EXPECT_TRUE(sample_controls().up);
}

TEST_F(KeyMapping, ARemappedKeyDrivesItsActionAndTheOldKeyNoLonger)
{
    key_map[ACTION_GAS] = KEY_W;
    key_map[ACTION_SHOOT] = KEY_RCONTROL;
    key_map[ACTION_PAUSE] = KEY_P;
    EXPECT_EQ(actions_of(KEY_W), "Gas");
    EXPECT_EQ(actions_of(KEY_UP), "") << "Up moves menus only";
    EXPECT_EQ(actions_of(KEY_RCONTROL), "Shoot");
    EXPECT_EQ(actions_of(KEY_LCONTROL), "");
    EXPECT_EQ(actions_of(KEY_P), "Pause");
    // A key held over from the screen before reads up until released, mapped or not.
    XKeys::install();
    XKeys::press(KEY_W);
    fresh_input_begin();
    EXPECT_FALSE(fresh_controls(sample_controls()).gas);
    XKeys::release(KEY_W);
    fresh_controls(sample_controls());
    XKeys::press(KEY_W);
    EXPECT_TRUE(fresh_controls(sample_controls()).gas);
    XKeys::uninstall();
}

TEST_F(KeyMapping, NamesReadBackWhateverTheirCaseAndTheGameKeepsItsOwnKeys)
{
    for (int k = 1; k < KEY_MAX; k++)
        if (const char* name = key_name(k)) {
            EXPECT_EQ(key_by_name(name), k) << name;
            std::string upper = name;
            for (char& ch : upper)
                ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
            EXPECT_EQ(key_by_name(upper.c_str()), k) << upper;
        }
    EXPECT_STREQ(key_name(KEY_LCONTROL), "Left Ctrl");
    EXPECT_STREQ(key_name(KEY_8_PAD), "Pad 8");
    EXPECT_EQ(key_by_name("None"), NO_KEY);
    EXPECT_EQ(key_by_name("Hyper"), -1);
    EXPECT_EQ(key_by_name(""), -1);
    // Refused: the pause and menu keys, the display's keys, the level's own, the locks.
    for (int k : {KEY_ESC, KEY_ENTER, KEY_F10, KEY_F11, KEY_F, KEY_PGUP, KEY_PGDN, KEY_CAPSLOCK, KEY_NUMLOCK}) {
        EXPECT_NE(reserved_key_reason(k), nullptr) << key_name(k);
        EXPECT_EQ(action_key_setting_name(k), nullptr) << key_name(k);
    }
    for (int k : {KEY_W, KEY_LCONTROL, KEY_ALT, KEY_ENTER_PAD, KEY_F12, KEY_H}) {
        EXPECT_EQ(reserved_key_reason(k), nullptr) << key_name(k);
        EXPECT_STREQ(action_key_setting_name(k), key_name(k));
    }
    EXPECT_NE(reserved_key_reason(KEY_MAX), nullptr) << "a key without a name";
    EXPECT_STREQ(action_key_setting_name(NO_KEY), "none");
    // Every default may be had and none is had twice.
    int defaults[NUM_KEY_ACTIONS];
    for (int a = 0; a < NUM_KEY_ACTIONS; a++) {
        defaults[a] = KEY_ACTIONS[a].default_key;
        EXPECT_NE(action_key_setting_name(defaults[a]), nullptr) << KEY_ACTIONS[a].label;
        EXPECT_LE(defaults[a], LAST_ACTION_KEY);
        EXPECT_EQ(action_with_key(defaults, a, defaults[a]), -1) << KEY_ACTIONS[a].label;
    }
}

// What a mapping from outside becomes: each key no action may have goes back
// to that action's default, and so does each key two actions share, until
// the set has no key twice.
TEST_F(KeyMapping, AMappingFromOutsideIsMadeWhole)
{
    const int L = KEY_LEFT, R = KEY_RIGHT, U = KEY_UP, D = KEY_DOWN, C = KEY_LCONTROL, S = KEY_SPACE, T = KEY_TAB,
              H = KEY_H, N = NO_KEY;
    const struct {
        const char* what;
        int in[NUM_KEY_ACTIONS];
        int out[NUM_KEY_ACTIONS];
    } cases[] = {
        {"the defaults stay", {L, R, U, D, C, S, T, H, N}, {L, R, U, D, C, S, T, H, N}},
        {"a whole remapping stays", {KEY_A, KEY_D, KEY_W, KEY_S, KEY_J, KEY_K, KEY_1, KEY_2, KEY_P},
            {KEY_A, KEY_D, KEY_W, KEY_S, KEY_J, KEY_K, KEY_1, KEY_2, KEY_P}},
        {"unknown scancodes", {-5, KEY_MAX, 9999, D, C, S, T, H, KEY_MAX + 1}, {L, R, U, D, C, S, T, H, N}},
        {"reserved keys", {KEY_ESC, KEY_F11, KEY_F10, KEY_ENTER, KEY_F, KEY_PGUP, KEY_CAPSLOCK, H, KEY_PGDN},
            {L, R, U, D, C, S, T, H, N}},
        {"no key for any action is allowed", {N, N, N, N, N, N, N, N, N}, {N, N, N, N, N, N, N, N, N}},
        {"a shared key: the one on its default keeps it", {L, R, L, D, C, S, T, H, N}, {L, R, U, D, C, S, T, H, N}},
        {"a shared key off both defaults: both go back", {KEY_W, R, KEY_W, D, C, S, T, H, N},
            {L, R, U, D, C, S, T, H, N}},
        {"going back frees nothing twice: a chain", {U, L, KEY_W, KEY_W, C, S, T, H, D}, {L, R, U, D, C, S, T, H, N}},
        {"pause takes a free key", {L, R, U, D, C, S, T, H, KEY_P}, {L, R, U, D, C, S, T, H, KEY_P}},
        {"pause on another's key goes back to none", {L, R, U, D, C, S, T, H, S}, {L, R, U, D, C, S, T, H, N}},
    };
    for (const auto& c : cases) {
        int map[NUM_KEY_ACTIONS];
        std::copy(c.in, c.in + NUM_KEY_ACTIONS, map);
        settle_key_map(map);
        for (int a = 0; a < NUM_KEY_ACTIONS; a++)
            EXPECT_EQ(map[a], c.out[a]) << c.what << ": " << KEY_ACTIONS[a].label;
    }
}

class KeySettings : public ConfigFileTest {
protected:
    void TearDown() override
    {
        for (int a = 0; a < NUM_KEY_ACTIONS; a++)
            key_map[a] = KEY_ACTIONS[a].default_key;
        ConfigFileTest::TearDown();
    }
    static std::string keys_text()
    {
        std::string t;
        for (int a = 0; a < NUM_KEY_ACTIONS; a++)
            t += std::string(a ? "," : "") + action_keys_text(key_map, a);
        return t;
    }
};

// The mapping as the settings file holds it: by name, whatever the case;
// garbage (scancodes included), reserved keys and shared keys give the defaults.
TEST_F(KeySettings, TheFileHoldsKeysByNameAndGarbageGivesTheDefaults)
{
    const struct {
        const char* file;
        const char* keys;
    } cases[] = {
        {"", "Left,Right,Up,Down,Left Ctrl,Space,Tab,H,ESC"},
        {"[controls]\nkey_gas = W\nkey_steer_left = a\nkey_steer_right = D # mine\nkey_reverse = s\n"
         "key_shoot = RIGHT CTRL\nkey_brake = pad 0\nkey_hud_panel = Backspace\nkey_hide_hud = none\n"
         "key_pause = P\n",
            "A,D,W,S,Right Ctrl,Pad 0,Backspace,none,ESC / P"},
        {"[controls]\nkey_gas = 1\nkey_brake = 23\n",
            "Left,Right,1,Down,Left Ctrl,Space,Tab,H,ESC"},  // names, not scancodes
        {"[controls]\nkey_gas = banana\nkey_brake = F11\nkey_shoot = ESC\nkey_pause = Enter\n"
         "key_steer_left = 124\nkey_steer_right = -3\nkey_reverse =\nkey_hud_panel = 99999999999\n",
            "Left,Right,Up,Down,Left Ctrl,Space,Tab,H,ESC"},
        {"[controls]\nkey_gas = Space\n", "Left,Right,Up,Down,Left Ctrl,Space,Tab,H,ESC"},
        {"[controls]\nkey_gas = W\nkey_pause = w\n", "Left,Right,Up,Down,Left Ctrl,Space,Tab,H,ESC"},
        {"[misc]\nkey_gas = W\n", "Left,Right,Up,Down,Left Ctrl,Space,Tab,H,ESC"},  // another section
    };
    for (const auto& c : cases) {
        write_file(c.file);
        read_settings();
        EXPECT_EQ(keys_text(), c.keys) << c.file;
    }
}

TEST_F(KeySettings, ARemappingIsWrittenByNameAndReadBackAFreshFileGetsNoKeys)
{
    write_file("[misc]\ntitle_song = 0\n");
    read_settings();
    write_settings();
    EXPECT_EQ(file_text().find("key_"), std::string::npos) << "the classic keys need no line";

    key_map[ACTION_GAS] = KEY_W;
    key_map[ACTION_SHOOT] = KEY_ALT;
    key_map[ACTION_PAUSE] = KEY_P;
    write_settings();
    const std::string text = file_text();
    for (const char* line : {"key_gas = W", "key_shoot = Alt", "key_pause = P"})
        EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(text.find("key_brake"), std::string::npos) << text;
    const std::string written = keys_text();
    for (int a = 0; a < NUM_KEY_ACTIONS; a++)
        key_map[a] = KEY_ACTIONS[a].default_key;
    write_file(text);
    read_settings();
    EXPECT_EQ(keys_text(), written);
}

// The help page's text names the keys of the mapping in the first column and
// keeps the second where the dots ended.
TEST_F(KeyMapping, HelpTextNamesTheMappedKeys)
{
    const std::string help = "KEYS\n{gas} ........... go\n{left} .......... turn\nF ............... fps\n"
                             "{pause} ......... pause\n{shoot}\n";
    const struct {
        const char* what;
        int gas, left, pause;
        const char* text;
    } cases[] = {
        {"defaults", KEY_UP, KEY_LEFT, NO_KEY,
            "KEYS\nUp .............. go\nLeft ............ turn\nF ............... fps\n"
            "ESC ............. pause\n{shoot}\n"},
        {"remapped", KEY_W, KEY_A, KEY_P,
            "KEYS\nW ............... go\nA ............... turn\nF ............... fps\n"
            "ESC / P ......... pause\n{shoot}\n"},
        {"long names keep two dots", KEY_ENTER_PAD, KEY_RSHIFT, KEY_BACKSPACE,
            "KEYS\nPad Enter ....... go\nRight Shift ..... turn\nF ............... fps\n"
            "ESC / Backspace .. pause\n{shoot}\n"},
        {"no key", NO_KEY, NO_KEY, NO_KEY,
            "KEYS\nnone ............ go\nnone ............ turn\nF ............... fps\n"
            "ESC ............. pause\n{shoot}\n"},
    };
    for (const auto& c : cases) {
        key_map[ACTION_GAS] = c.gas;
        key_map[ACTION_STEER_LEFT] = c.left;
        key_map[ACTION_PAUSE] = c.pause;
        EXPECT_EQ(keyboard_help_text(help, key_map), c.text) << c.what;
    }
    EXPECT_EQ(keyboard_help_text("", key_map), "");
    EXPECT_EQ(keyboard_help_text("{gas} .", key_map), "{gas} .") << "a line without a dot run is kept";
}

}  // namespace
