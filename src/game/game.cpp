// Level attempt (placeholder until the real level loop exists).
#include "game.h"
#include "placeholder.h"
#include "vorlin.h"
#include <cstdio>

static int lives = 4;

int run_game(int level)
{
    char title[64];
    snprintf(title, sizeof title, "Level %d", level);
    static const int keys[] = {KEY_C, KEY_D, KEY_ESC, 0};
    int k = placeholder_screen(title, "C: clear   D: die   ESC: quit", keys);
    if (k == KEY_C)
        return GAME_NEXTLVL;
    if (k == KEY_D)
        return --lives > 0 ? GAME_DEAD : GAME_OVER;
    return GAME_QUIT;
}

void game_over()
{
    static const int keys[] = {KEY_ENTER, 0};
    placeholder_screen("Game over", "Press ENTER", keys);
}

void reset_after_gameover()
{
    lives = 4;
}
