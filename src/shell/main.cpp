// The program's entry: options, start-up, the outer loop of intro, title,
// levels, game over and ending, then shutdown.
#include "cmdline.h"
#include "game.h"
#include "intro.h"
#include "menu.h"
#include "vorlin.h"

int main(int argc, char** argv)
{
    const int start_level = parse_command_line(argc, argv);
    init_engine();

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
                if (result == GAME_NEXTLVL && ++level > LAST_LEVEL)
                    break;
            }
            if (result == GAME_OVER) {
                game_over();
                reset_after_gameover();
            } else if (result == GAME_QUIT) {
                quit = true;
            }
        }
        if (level > LAST_LEVEL)
            stupid_ending();
    }
    shutdown_engine();
    return 0;
}
END_OF_MAIN()
