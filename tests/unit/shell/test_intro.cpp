// The intro's phases and how keys and joystick buttons shorten them.
#include "datidx.h"
#include "intro.h"
#include "test_menu_support.h"

namespace {

class IntroTest : public FrontendTest {
protected:
    void SetUp() override
    {
        FrontendTest::SetUp();
        script_polls(nullptr, true);
        intro_begin();
    }
    int ticks(int n)
    {
        int done = 0;
        while (done < n && intro_tick())
            done++;
        return done;
    }
    // Ticks until the intro is over; how many there were.
    int rest_of_intro() { return ticks(100000); }
    void key_press() { simulate_keypress(KEY_SPACE << 8 | ' '); }
};

TEST_F(IntroTest, UninterruptedPhasesLastTheirFullLength)
{
    EXPECT_EQ(ticks(255), 255);
    EXPECT_EQ(intro_phase, INTRO_FADE_IN) << "the fade-in's last frame is drawn at 254";
    EXPECT_EQ(intro_brightness, 255);
    // The last fade-in frame: the picture at brightness 254 of 255.
    const int c = getpixel(screen, 320, 240), p = getpixel(data_bitmap(BMP_INTRO), 320, 240);
    EXPECT_NEAR(getr(c), getr(p), 2);
    EXPECT_EQ(ticks(192), 192);
    EXPECT_EQ(intro_phase, INTRO_HOLD);
    EXPECT_EQ(rest_of_intro(), 255);
    EXPECT_EQ(intro_phase, INTRO_DONE);
    EXPECT_EQ(intro_brightness, 0);
    for (int y = 0; y < SCREEN_HEIGHT; y += 40)
        for (int x = 0; x < SCREEN_WIDTH; x += 40)
            ASSERT_EQ(getpixel(screen, x, y), 0) << "the last frame is black";
}

TEST_F(IntroTest, AKeyInTheFadeInSkipsTheHold)
{
    ticks(100);
    key_press();
    EXPECT_TRUE(intro_tick());
    EXPECT_EQ(intro_phase, INTRO_FADE_OUT);
    EXPECT_EQ(intro_hold_ticks, 0);
    EXPECT_EQ(intro_brightness, 99) << "the fade-out starts from the brightness reached";
    EXPECT_EQ(rest_of_intro(), 99);
}

TEST_F(IntroTest, AKeyInTheHoldStartsTheFadeOutFromFullBrightness)
{
    ticks(255 + 50);
    ASSERT_EQ(intro_phase, INTRO_HOLD);
    key_press();
    EXPECT_EQ(rest_of_intro(), 255);
}

TEST_F(IntroTest, AKeyInTheFadeOutEndsItAtOnceLeavingTheLastFrame)
{
    ticks(255 + 192 + 60);
    ASSERT_EQ(intro_phase, INTRO_FADE_OUT);
    const int brightness = intro_brightness;
    const int last = getpixel(screen, 320, 240);
    key_press();
    EXPECT_FALSE(intro_tick());
    EXPECT_EQ(intro_phase, INTRO_DONE);
    EXPECT_EQ(intro_brightness, brightness);
    EXPECT_EQ(getpixel(screen, 320, 240), last);
}

TEST_F(IntroTest, AKeyBeforeTheFadeInDoesNotCount)
{
    key_press();
    intro_begin();  // empties the key buffer
    EXPECT_EQ(ticks(300), 300);
    EXPECT_EQ(intro_phase, INTRO_HOLD);
}

TEST_F(IntroTest, AHeldButtonSkipsTheHoldAndTheFadeOutRunsOutWhileItIsHeld)
{
    ticks(50);
    set_buttons({2});
    EXPECT_EQ(rest_of_intro(), 50) << "the same press does not end the fade-out";
    EXPECT_EQ(intro_hold_ticks, 0);
    EXPECT_EQ(intro_brightness, 0);
}

TEST_F(IntroTest, ReleasingAndPressingAgainInTheFadeOutEndsIt)
{
    ticks(100);
    set_buttons({2});
    EXPECT_EQ(ticks(20), 20);
    ASSERT_EQ(intro_phase, INTRO_FADE_OUT);
    set_buttons({});
    EXPECT_TRUE(intro_tick());
    EXPECT_EQ(intro_brightness, 79);
    set_buttons({5});
    EXPECT_FALSE(intro_tick());
    EXPECT_EQ(intro_brightness, 79);
}

TEST_F(IntroTest, TheWholeIntroReturnsAfterAButtonInEachPhase)
{
    // Down from the 30th poll (fade-in at 29, then the hold's poll), kept down
    // for four fade-out ticks, released for four, down again.
    script_polls(
        [] {
            const bool down = (poll_count >= 30 && poll_count <= 35) || poll_count >= 40;
            set_buttons({});
            joy[0].button[0].b = down;
        },
        true);
    intros();
    EXPECT_EQ(intro_phase, INTRO_DONE);
    EXPECT_EQ(intro_brightness, 29 - 8);
}

// Keys and buttons held from the screen before (the craft's keys through the
// last death, say), with the last key repeating as X repeats it.
TEST_F(IntroTest, KeysAndButtonsHeldFromTheScreenBeforeCountOnlyOncePressedAgain)
{
    const int NEVER = 1 << 30;
    const struct {
        const char* what;
        bool keys;  // Up and Left held, else joystick button 3
        int release_poll;
        int press_poll;
        int ticks;       // of the whole intro
        int brightness;  // when it ends
    } cases[] = {
        {"keys held throughout", true, NEVER, NEVER, 255 + 192 + 255, 0},
        {"button held throughout", false, NEVER, NEVER, 255 + 192 + 255, 0},
        // Pressed again at the 100th poll: the fade-in stops at 99 and the
        // fade-out runs from there, the new press being held in its turn.
        {"Left released and pressed again", true, 50, 100, 99 + 99, 0},
        {"button released and pressed again", false, 50, 100, 99 + 99, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        XKeys::install();
        if (c.keys) {
            XKeys::press(KEY_UP);
            XKeys::press(KEY_LEFT);
        } else {
            set_buttons({3});
        }
        script_polls(
            [&c] {
                const bool down = poll_count < c.release_poll || poll_count >= c.press_poll;
                if (!c.keys) {
                    set_buttons(down ? std::initializer_list<int> {3} : std::initializer_list<int> {});
                } else if (poll_count == c.release_poll) {
                    XKeys::release(KEY_LEFT);
                } else if (poll_count == c.press_poll) {
                    XKeys::press(KEY_LEFT);
                } else if (down) {
                    XKeys::repeat(KEY_LEFT);
                }
            },
            true);
        intro_begin();
        EXPECT_EQ(rest_of_intro(), c.ticks);
        EXPECT_EQ(intro_phase, INTRO_DONE);
        EXPECT_EQ(intro_brightness, c.brightness);
        release_all_input();
    }
}

TEST_F(IntroTest, AKeyHeldFromTheFadeInEndsTheFadeOutOnlyWhenPressedAgain)
{
    // Space from the 100th poll (the fade-in at 99, the hold's poll is the
    // 101st), repeating; released at the 150th, pressed again at the 160th:
    // the fade-out's poll of its 59th tick.
    XKeys::install();
    script_polls(
        [] {
            if (poll_count == 100 || poll_count == 160)
                XKeys::press(KEY_SPACE);
            else if (poll_count == 150)
                XKeys::release(KEY_SPACE);
            else if (key[KEY_SPACE])
                XKeys::repeat(KEY_SPACE);
        },
        true);
    intro_begin();
    EXPECT_EQ(rest_of_intro(), 99 + 59);
    EXPECT_EQ(intro_brightness, 99 - 59);
}

}  // namespace
