// The intro picture that fades in and out before every title screen; a key or
// a joystick button pressed during it shortens or skips each phase (one held
// from the screen before counts once released and pressed again).
#pragma once

const int INTRO_PAUSE_MS = 1000;
const int INTRO_HOLD_TICKS = 192;

enum IntroPhase { INTRO_FADE_IN, INTRO_HOLD, INTRO_FADE_OUT, INTRO_DONE };

// Intro state, reset by intro_begin.
extern IntroPhase intro_phase;
extern int intro_brightness;  // 0..255
extern int intro_hold_ticks;  // ticks held so far

// The whole intro: a second's pause, then intro_begin and intro_tick until done.
void intros();
// Empties the key buffer, notes the keys and buttons held over from the screen
// before (fresh_input_begin), resets the tick counters and starts the fade-in.
void intro_begin();
// One logic tick of the intro (with its frame and pacing wait), after any
// phase changes the current input causes. False once the intro is over.
bool intro_tick();
