// present_floor: shows a 640x480 picture in a window enlarged N times, 60 times
// a second, sleeping until each frame is due, and nothing else; prints the
// share of one core it used, in all and in its presenting thread. With "library" (the default) the picture goes
// through the library's blit (N = 1) or stretch_blit; with "game" through the
// game's own presentation, for comparison. A SCALE of WxH stands for the
// smooth fill's size: a window of WxH, the library's stretch_blit to all of it.
//
// usage: present_floor SCALE|WxH SECONDS [library|game]
#include "display.h"
#include "engine.h"
#include <sys/resource.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

const long NS_PER_S = 1000000000L;
const long FRAME_NS = NS_PER_S / TICKS_PER_SECOND;

// Processor time of the whole process (RUSAGE_SELF) or of the presenting thread alone
// (RUSAGE_THREAD, leaving out the library's own threads).
double cpu_seconds(int who)
{
    rusage r;
    getrusage(who, &r);
    return r.ru_utime.tv_sec + r.ru_stime.tv_sec + (r.ru_utime.tv_usec + r.ru_stime.tv_usec) / 1e6;
}

double seconds(const timespec& t)
{
    return t.tv_sec + t.tv_nsec / 1e9;
}

// Colour bars and a checker: every frame copies a picture with real variety.
void paint(BITMAP* b)
{
    for (int y = 0; y < b->h; y++)
        for (int x = 0; x < b->w; x++)
            putpixel(b, x, y, makecol(x * 255 / b->w, y * 255 / b->h, ((x / 16 + y / 16) & 1) ? 200 : 40));
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: present_floor SCALE SECONDS [library|game]\n");
        return 2;
    }
    int k = std::atoi(argv[1]), w = 0, h = 0;
    const double run_s = std::atof(argv[2]);
    const bool game = argc > 3 && std::strcmp(argv[3], "game") == 0;
    if (std::sscanf(argv[1], "%dx%d", &w, &h) == 2 && !game && w >= SCREEN_WIDTH && h >= SCREEN_HEIGHT)
        k = 2;  // any multiple above 1: the stretch
    else
        w = SCREEN_WIDTH * k, h = SCREEN_HEIGHT * k;
    if (k < 1 || k > MAX_SCALE || run_s <= 0) {
        std::fprintf(stderr, "present_floor: SCALE 1..%d, SECONDS above 0\n", MAX_SCALE);
        return 2;
    }
    if (install_allegro(SYSTEM_AUTODETECT, &errno, atexit) != 0) {
        std::fprintf(stderr, "present_floor: no display\n");
        return 1;
    }
    const int depth = desktop_color_depth();
    set_color_depth(depth > 16 ? depth : 16);
    windowed = true;
    scale_setting = k;
    if (game) {
        open_display();
    } else if (set_gfx_mode(GFX_AUTODETECT_WINDOWED, w, h, 0, 0) != 0) {
        std::fprintf(stderr, "present_floor: %s\n", allegro_error);
        return 1;
    }
    set_window_title("present_floor");
    BITMAP* picture = create_bitmap(SCREEN_WIDTH, SCREEN_HEIGHT);
    paint(picture);

    timespec start, due, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    due = start;
    const double cpu0 = cpu_seconds(RUSAGE_SELF), thread0 = cpu_seconds(RUSAGE_THREAD);
    const long frames = static_cast<long>(run_s * TICKS_PER_SECOND);
    for (long f = 0; f < frames; f++) {
        if (game)
            present(picture);
        else if (k == 1)
            blit(picture, screen, 0, 0, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT);
        else
            stretch_blit(picture, screen, 0, 0, SCREEN_WIDTH, SCREEN_HEIGHT, 0, 0, w, h);
        due.tv_nsec += FRAME_NS;
        if (due.tv_nsec >= NS_PER_S) {
            due.tv_nsec -= NS_PER_S;
            due.tv_sec++;
        }
        clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &due, nullptr);
    }
    clock_gettime(CLOCK_MONOTONIC, &end);
    const double wall = seconds(end) - seconds(start);
    std::printf("present_floor: %dx%d, %s: %.1f %% of one core over %.1f s (presenting thread %.1f %%)\n", w, h,
        game ? "game's presentation" : (k == 1 ? "library blit" : "library stretch_blit"),
        100.0 * (cpu_seconds(RUSAGE_SELF) - cpu0) / wall, wall, 100.0 * (cpu_seconds(RUSAGE_THREAD) - thread0) / wall);
    destroy_bitmap(picture);
    return 0;
}
END_OF_MAIN()
