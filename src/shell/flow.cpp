// The outer loop of the game, between start-up and shutdown.
#include "flow.h"
#include "cmdline.h"
#include "game.h"
#include "intro.h"
#include "menu.h"
#include "engine.h"

void run_flow(int start_level)
{
    bool quit = false;
    while (!quit) {
        int level = start_level;
        intros();
        if (title_screen() != MENU_START) {
            quit = true;
        } else {
            int result = 0;
            while (result != GAME_QUIT && result != GAME_OVER) {
                result = run_game(level);
                if (result == GAME_NEXTLVL && ++level > NUM_LEVELS)
                    break;
            }
            if (result == GAME_OVER) {
                game_over();
                reset_after_gameover();
            } else if (result == GAME_QUIT) {
                quit = true;
            }
        }
        if (level > NUM_LEVELS)
            stupid_ending();
    }
}
