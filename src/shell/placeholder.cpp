// Stand-in screens used by the program flow until their real screens exist.
#include "placeholder.h"
#include "pacing.h"
#include "vorlin.h"

int placeholder_screen(const char* title, const char* prompt, const int* keys)
{
    clear_keybuf();
    pacing_reset();
    int chosen = 0;
    while (!chosen) {
        fpscounter++;
        for (const int* k = keys; *k; k++)
            if (key[*k])
                chosen = *k;
        if (pacing_frame_due()) {
            clear_to_color(buffer, 0);
            textout_centre_ex(buffer, mainfont, title, 320, 200, -1, -1);
            textout_centre_ex(buffer, mainfont, prompt, 320, 260, -1, -1);
            textout_centre_ex(buffer, font, "(placeholder screen)", 320, 440, makecol(128, 128, 128), -1);
            blit(buffer, screen, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
        }
        pacing_wait();
    }
    // The key that chose must not also act on the next screen.
    while (key[chosen] && !pacing_free_run())
        rest(1);
    return chosen;
}
