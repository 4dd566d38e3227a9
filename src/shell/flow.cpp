// The outer loop of the game, between start-up and shutdown.
#include "flow.h"
#include "cmdline.h"
#include "game.h"
#include "intro.h"
#include "menu.h"
#include "engine.h"
#include "replay.h"
#include <iostream>

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

int play_game(int start_level)
{
    ReplayCarry carry = game_carry();
    replay_game_begin(start_level, carry);
    set_game_carry(carry);
    const int result = play_levels(start_level, run_game);
    if (result == GAME_OVER) {
        game_over();
        reset_after_gameover();
    }
    replay_game_end();
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
            const int result = play_game(start_level);
            if (result == GAME_QUIT)
                quit = true;
            else if (result == GAME_NEXTLVL)
                stupid_ending();
        }
    }
}

int replay_games()
{
    int games = 0;
    while (replay_next_game()) {
        play_game(replay_start_level());
        ++games;
    }
    const int status = replay_status();
    if (status == 0)
        std::cout << "Replay " << (replay_stopped_early() ? "stopped early" : "over") << ": " << games << " game(s), "
                  << replay_attempts_checked() << " level attempt(s) played as recorded" << std::endl;
    return status;
}
