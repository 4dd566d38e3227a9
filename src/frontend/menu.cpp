// Front end (placeholders until the real title, pause menu and ending exist).
#include "menu.h"
#include "placeholder.h"
#include "settings.h"
#include "vorlin.h"

int title_screen()
{
    title_song = 1 - title_song;
    static const int keys[] = {KEY_ENTER, KEY_ESC, 0};
    int k = placeholder_screen("El Vorlin - title", "ENTER: start    ESC: quit", keys);
    return k == KEY_ENTER ? MENU_START : MENU_QUIT;
}

void stupid_ending()
{
    static const int keys[] = {KEY_ENTER, KEY_ESC, 0};
    placeholder_screen("The end", "Press ENTER", keys);
}

bool do_pausemenu(void (*)(bool))
{
    static const int keys[] = {KEY_ENTER, KEY_Q, 0};
    return placeholder_screen("Paused", "ENTER: continue    Q: quit", keys) == KEY_ENTER;
}
