// Front end: the title screen and its menus, the pause menu with the joystick
// remapping, and the ending.
#pragma once
#include "controls.h"
#include <allegro.h>
#include <cstdio>
#include <string>

// Results of title_screen (run_game's GAME_ codes overlap them).
const int MENU_START = 1;
const int MENU_QUIT = 2;

// ---- Title screen -------------------------------------------------------

// The title's menus, the values of current_menu.
enum TitleMenu { TITLE_MENU_ROOT, TITLE_MENU_JOYSTICK, TITLE_MENU_KEYBOARD };

// Carousel items of each menu, as archive indices of their pictures: three in each.
const int MENU_TABLE_SIZE = 3;
extern int root_menu_choices[MENU_TABLE_SIZE];      // start, controls, quit
extern int joystick_menu_choices[MENU_TABLE_SIZE];  // remap, keyboard, back
extern int keyboard_menu_choices[MENU_TABLE_SIZE];  // remap, joystick, back

// Title state, set at the entry of title_screen (title_begin).
extern int title_go;          // -1 while the title runs, else MENU_START/MENU_QUIT
extern int pending_title_go;  // becomes title_go when the fade-out reaches 0
extern int logo_x;            // left edge of the sliding logo
extern bool menu_ready;       // logo in place: carousel shown and live
extern int current_menu;      // TITLE_MENU_*
extern int* menu_choices;     // table of the current menu
extern int num_menu_choices;
extern int menu_choice;  // item shown
extern int next_choice;  // item the carousel scrolls to
extern int scroll_x;     // carousel offset in pixels
extern int scroll_dx;    // +6, -6 or 0
extern int title_a;      // brightness 0..255
extern int title_da;     // -4 while fading out

// Runs the title screen; returns MENU_START or MENU_QUIT. Plays title_song
// and flips it, so successive titles alternate between songs 0 and 1.
int title_screen();
// Entry of the title: notes the keys, buttons and stick directions held over
// from the intro (they read as up until released: fresh_controls), resets the
// state above, starts the title song, flips title_song and resets the tick
// counters. title_screen calls it first.
void title_begin();
// One tick of input (keys ESC/ENTER/LEFT/RIGHT and joystick 0), one tick of
// logic, one frame into buffer and onto the screen.
void title_input();
void title_processing();
void title_draw_screen();
// Label shown beside joystick button b on the joystick page: the control of
// highest index mapped to b, or "(unused)".
const char* joystick_button_label(int b);

// ---- Pause menu and remapping ---------------------------------------------

// Pause menu over the frozen level; draw_level(true) composes the level into
// buffer without showing it. Returns true to go on playing, false to quit.
// The level clock (fpscounter) and the timer count are the same on return as
// on entry: a pause neither skips level ticks nor has them caught up.
bool do_pausemenu(void (*draw_level)(bool));
// Asks for a joystick button for each of the seven controls in turn and stores
// them in joystick_controls (the highest button held is taken). Does nothing
// without a joystick.
void change_controls();
// Multiplies `picture` by pure blue, keeping only its blue channel: the look
// of the page under a remapping's prompts.
void tint_for_remapping(BITMAP* picture);

// The keyboard remapping: asks for a key for each action of KEY_ACTIONS in
// turn, over the page tinted as the joystick remapping tints it, and stores
// them in key_map when the last is given. A key is taken as it goes down; a
// modifier (Shift, Ctrl, Alt...) when it is let go of with no other key
// pressed meanwhile. Enter keeps the key the action had. A key the game keeps
// for itself (reserved_key_reason), Alt+Enter, or a key already given to an
// action earlier in the round is refused with a message on the page, and the
// action is asked again. ESC cancels at any point, leaving key_map as it
// was. After each key every key must be let go of before the next counts. A
// screen loop on the shared pacing; the title's clock stands still meanwhile.
void change_keys();

// The remapping's logic, one tick at a time, over a key state array (the
// library's `key`, or a test's).
struct KeyRemap {
    enum State { ASKING, DONE, CANCELLED };
    int old_map[NUM_KEY_ACTIONS];  // the mapping before; what a cancel keeps
    int map[NUM_KEY_ACTIONS];      // entries before `action` are this round's choices
    int action = 0;                // the action asked for
    State state = ASKING;
    std::string message;  // why the last key was refused; empty once one is taken
    bool waiting_for_release = true;
    int pending_modifier = NO_KEY;  // a modifier down, taken if let go of alone
    bool was_down[KEY_MAX] = {};
};
void key_remap_begin(KeyRemap& r, const int* current, const volatile char* keys);
void key_remap_step(KeyRemap& r, const volatile char* keys);

// ---- Ending ---------------------------------------------------------------

const int ENDING_MAX_TICKS = 5155;
const int ENDING_LINE_MAX = 128;  // a timing line holds at most 127 characters

// Reads the next line of the timing file into its kind character and the tick
// (from 1) at which that kind's picture takes over; false when none is left.
// A line longer than the limit is taken as its first part and the rest is
// skipped; a line without a number, or with a negative one, gives tick 0,
// which never matches; a number beyond int is held at INT_MAX.
bool read_ending_cue(FILE* f, char* kind, int* tick);
// Picture of the ending archive a kind selects ('U': the first).
int ending_picture_for(char kind);

// Shows the ending after the last level has been cleared: with music the two
// pictures alternate on the timing file's cues (ESC+F skips), without music a
// notice that waits for a key.
void stupid_ending();
// The musical ending proper, over at most max_ticks ticks (ENDING_MAX_TICKS in
// the game), from the open timing file (may be null) and the ending archive
// with its two pictures. Writes the "wongame" mark. Returns the picture shown
// at the end. stupid_ending calls it.
int run_musical_ending(FILE* times, DATAFILE* pictures, int max_ticks);
