// One tick's reading of the keyboard and joystick 0: which key and which part
// of the stick each control comes from, and that a joystick counts only when
// there is one and only with the buttons it has. Also which presses belong to
// a screen: keys, buttons and stick directions held over from the screen
// before, and the repeats of held keys, do not count until released.
#include "controls.h"
#include "test_menu_support.h"
#include "test_support.h"
#include <gtest/gtest.h>
#include <cstring>
#include <iterator>

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
// every key control once, and that reading the keys follows it.
TEST_F(ControlsTest, EachKeyFeedsItsOwnControl)
{
    bool Controls::*const key_fields[] = {&Controls::esc, &Controls::enter, &Controls::f, &Controls::pgup,
        &Controls::pgdn, &Controls::h, &Controls::tab, &Controls::up, &Controls::down, &Controls::left,
        &Controls::right, &Controls::space, &Controls::lctrl};
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
    // The keys play is learnt by: Ctrl shoots, Space brakes, ESC pauses, F
    // shows the frame rate.
    const struct {
        int scancode;
        bool Controls::*field;
    } known[] = {{KEY_LCONTROL, &Controls::lctrl}, {KEY_SPACE, &Controls::space}, {KEY_ESC, &Controls::esc},
        {KEY_F, &Controls::f}};
    for (const auto& k : known) {
        key[k.scancode] = 1;
        EXPECT_TRUE(sample_controls().*k.field) << k.scancode;
        key[k.scancode] = 0;
    }
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

}  // namespace
