// The outer loop of the game, between start-up and shutdown.
#include "flow.h"
#include "cmdline.h"
#include "game.h"
#include "intro.h"
#include "menu.h"
#include "engine.h"

int play_levels(int start_level, int (*play_level)(int level))
{
    int level = start_level;
    int result = 0;
    while (result != GAME_QUIT && result != GAME_OVER) {
        result = play_level(level);
        if (result == GAME_NEXTLVL && ++level > NUM_LEVELS)
            break;
    }
    return result;
}

void run_flow(int start_level)
{
    bool quit = false;
    while (!quit) {
        intros();
        if (title_screen() != MENU_START) {
            quit = true;
        } else {
            const int result = play_levels(start_level, run_game);
            if (result == GAME_OVER) {
                game_over();
                reset_after_gameover();
            } else if (result == GAME_QUIT) {
                quit = true;
            } else {
                stupid_ending();
            }
        }
    }
}
