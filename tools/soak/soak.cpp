// Soak run of the whole game headless: the eight levels played through again
// and again by the real level loop (briefings, replays after a lost life, game
// over, the ending), with a driver that shoots enemies as the player's shots
// would, until a number of logic ticks has passed. Every level attempt must
// report "Create count = 0" and leave no object behind, and the heap in use
// after each playthrough must stay steady. Meant for the sanitizer build
// (AddressSanitizer and LeakSanitizer check everything on the way and at exit).
// Usage: soak [TICKS=100000] [SEED=2026]   (run from the build directory)
// Exit code 0 when every check held.
#include "enemy.h"
#include "game.h"
#include "headless.h"
#include "menu.h"
#include "music.h"
#include "object.h"
#include "player.h"
#include "vorlin.h"
#include <allegro.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <malloc.h>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// From the sanitizer runtime (its header is not shipped with every compiler).
extern "C" size_t __sanitizer_get_current_allocated_bytes();
#endif

namespace {

const int SHOT_INTERVAL_TICKS = 6;     // the driver's rate of fire
const int KEY_PRESS_TICK = 90;         // screens waiting for a key get one at this tick
const long HEAP_GROWTH_LIMIT = 1 << 20;  // bytes the heap may grow between the first and last playthrough

// Heap bytes in use by the program.
long heap_in_use()
{
#if defined(__SANITIZE_ADDRESS__)
    return static_cast<long>(__sanitizer_get_current_allocated_bytes());
#else
    return static_cast<long>(mallinfo2().uordblks);
#endif
}

long resident_kib()
{
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (f) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

// The screens before and after play wait for keypressed(): a key arrives when
// the screen's own clock reaches KEY_PRESS_TICK (a new screen starts at 0).
int last_tick = -1;
bool pending = false;
int screens = 0;
int keypressed_hook()
{
    if (fpscounter == 0 && last_tick != 0) {
        ++screens;
        pending = false;
    }
    if (fpscounter == KEY_PRESS_TICK && last_tick != KEY_PRESS_TICK)
        pending = true;
    last_tick = fpscounter;
    return pending;
}
int readkey_hook()
{
    pending = false;
    return 0;
}

// Objects in play, counted by the driver on every tick: the most at once and
// the sum over ticks. Both follow every draw and every tick of the game, so a
// change that should not alter play must leave them as they were.
long peak_objects = 0;
long object_ticks = 0;

// Rides along first in `objects`: every few ticks it hits the first enemy a
// shot could hit, as the player's shots would.
class DRIVER : public OBJECT {
public:
    DRIVER() { set(0, 0); }
    void processing() override
    {
        const long n = static_cast<long>(objects.size());
        peak_objects = std::max(peak_objects, n);
        object_ticks += n;
        if (fpscounter % SHOT_INTERVAL_TICKS != 0)
            return;
        for (ENEMY* e : enemies)
            if (e->is_active() && !e->is_unkillable() && e->hp > 0) {
                e->hit();
                return;
            }
    }
    void draw() override {}
};

bool start()
{
    if (!headless_init(32) || !headless_load_data())
        return false;
    songbox = new SONGBOX;
    songbox->set_mute(true);
    no_mp3 = true;
    debug = false;
    install_keyboard_hooks(keypressed_hook, readkey_hook);
    for (int k = 0; k < KEY_MAX; ++k)
        key[k] = 0;
    num_joysticks = 0;
    reset_input_edges();
    return true;
}

void stop()
{
    delete songbox;
    songbox = nullptr;
    destroy_bitmap(buffer);
    buffer = nullptr;
    destroy_bitmap(screen);
    screen = nullptr;
    unload_datafile(data);
    data = nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    const long target_ticks = argc > 1 ? std::atol(argv[1]) : 100000;
    srand(argc > 2 ? std::atoi(argv[2]) : 2026);
    if (!start()) {
        std::fprintf(stderr, "soak: cannot start (run from the build directory, beside data/)\n");
        return 1;
    }
    long ticks = 0;
    int attempts = 0, bad_reports = 0, playthroughs = 0, wins = 0, losses = 0;
    std::vector<long> heap_after;
    player_lives = PLAYER_LIVES;
    int level = 1;
    while (ticks < target_ticks) {
        objects.push_back(new DRIVER());
        std::ostringstream report;
        std::streambuf* out = std::cout.rdbuf(report.rdbuf());
        const int result = run_game(level);
        std::cout.rdbuf(out);
        ++attempts;
        ticks += fpscounter;
        const bool good = report.str().find("Create count = 0 (this is good)\n") != std::string::npos &&
                          create_count == 0 && objects.empty() && enemies.empty() && player == nullptr;
        if (!good) {
            ++bad_reports;
            std::printf("soak: attempt %d (level %d): create count %d, %zu objects left, report \"%s\"\n", attempts,
                        level, create_count, objects.size(), report.str().c_str());
        }
        bool round_over = false;
        if (result == GAME_NEXTLVL && ++level > 8) {
            stupid_ending();
            ++wins;
            round_over = true;
        } else if (result == GAME_OVER) {
            game_over();
            reset_after_gameover();
            ++losses;
            round_over = true;
        } else if (result == GAME_QUIT) {
            std::printf("soak: attempt %d ended with GAME_QUIT\n", attempts);
            ++bad_reports;
            round_over = true;
        }
        if (round_over) {
            ++playthroughs;
            level = 1;
            heap_after.push_back(heap_in_use());
            std::printf("soak: playthrough %d done (%s): %ld ticks, %d attempts, objects peak %ld, "
                        "%ld object-ticks, heap %ld bytes, resident %ld KiB\n",
                        playthroughs, result == GAME_OVER ? "game over" : "won", ticks, attempts,
                        peak_objects, object_ticks, heap_after.back(), resident_kib());
            std::fflush(stdout);
        }
    }
    const long growth = heap_after.size() >= 2 ? heap_after.back() - heap_after.front() : 0;
    std::printf("soak: %ld level ticks, %d attempts, %d playthroughs (%d won, %d lost), %d bad reports, "
                "heap growth %ld bytes from the first playthrough to the last\n",
                ticks, attempts, playthroughs, wins, losses, bad_reports, growth);
    stop();
    const bool steady = growth <= HEAP_GROWTH_LIMIT;
    if (!steady)
        std::printf("soak: the heap grew by more than %ld bytes\n", HEAP_GROWTH_LIMIT);
    return bad_reports == 0 && steady ? 0 : 1;
}
