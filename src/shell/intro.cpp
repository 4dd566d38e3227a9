// Intro sequence (placeholder until the real fade sequence is built).
#include "intro.h"
#include "placeholder.h"
#include <allegro.h>

void intros()
{
    static const int keys[] = {KEY_ENTER, KEY_SPACE, KEY_ESC, 0};
    placeholder_screen("El Vorlin - intro", "Press ENTER", keys);
}
