// x_probe: a small X client for the display tests.
//   x_probe grab SECONDS  holds the keyboard and the pointer for SECONDS (as a
//                         screen locker or another full-screen program would),
//                         printing "grabbed" once it has them
//   x_probe cursor        prints how many pixels of the pointer's current
//                         cursor are not fully see-through ("cursor 0" when
//                         the pointer is hidden)
//   x_probe shot X Y W H FILE
//                         writes that area of the screen as a binary PPM, in
//                         one request (ImageMagick's import is slow on big
//                         screens)
//   x_probe ping WINDOW SECONDS
//                         sends the desktop's ping (_NET_WM_PING) to WINDOW
//                         and prints "answered" once its answer reaches the
//                         root window; exits 1 after SECONDS without one
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/Xutil.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv)
{
    Display* d = XOpenDisplay(nullptr);
    if (!d) {
        std::fprintf(stderr, "x_probe: no display\n");
        return 2;
    }
    if (argc == 3 && std::strcmp(argv[1], "grab") == 0) {
        const Window root = DefaultRootWindow(d);
        if (XGrabKeyboard(d, root, False, GrabModeAsync, GrabModeAsync, CurrentTime) != GrabSuccess ||
            XGrabPointer(d, root, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime) != GrabSuccess) {
            std::fprintf(stderr, "x_probe: cannot grab\n");
            return 1;
        }
        XSync(d, False);
        std::printf("grabbed\n");
        std::fflush(stdout);
        sleep(static_cast<unsigned>(std::atoi(argv[2])));
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "cursor") == 0) {
        XFixesCursorImage* c = XFixesGetCursorImage(d);
        if (!c) {
            std::fprintf(stderr, "x_probe: no cursor image\n");
            return 1;
        }
        int shown = 0;
        for (int i = 0; i < c->width * c->height; i++)
            if ((c->pixels[i] >> 24) & 0xFF)
                shown++;
        XFree(c);
        XCloseDisplay(d);
        std::printf("cursor %d\n", shown);
        return 0;
    }
    if (argc == 7 && std::strcmp(argv[1], "shot") == 0) {
        const int x = std::atoi(argv[2]), y = std::atoi(argv[3]);
        const unsigned w = static_cast<unsigned>(std::atoi(argv[4])), h = static_cast<unsigned>(std::atoi(argv[5]));
        XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, w, h, AllPlanes, ZPixmap);
        if (!img) {
            std::fprintf(stderr, "x_probe: cannot read the screen\n");
            return 1;
        }
        Visual* v = DefaultVisual(d, DefaultScreen(d));
        FILE* f = std::fopen(argv[6], "wb");
        if (!f)
            return 1;
        std::fprintf(f, "P6\n%u %u\n255\n", w, h);
        // The channels by the visual's masks, each cut to its top 8 bits (a 30-bit
        // screen has 10 bits a channel).
        auto shift_of = [](unsigned long mask) {
            int s = 0, bits = 0;
            while (mask && !(mask & 1)) {
                mask >>= 1;
                s++;
            }
            while (mask & 1) {
                mask >>= 1;
                bits++;
            }
            return s + (bits > 8 ? bits - 8 : 0);
        };
        const int rs = shift_of(v->red_mask), gs = shift_of(v->green_mask), bs = shift_of(v->blue_mask);
        // A row at a time: the display tests take many shots of whole 4K screens.
        const uint32_t one = 1;
        const int host_order = *reinterpret_cast<const unsigned char*>(&one) == 1 ? LSBFirst : MSBFirst;
        const bool words = img->bits_per_pixel == 32 && img->byte_order == host_order;
        std::vector<unsigned char> row(3 * static_cast<size_t>(w));
        for (unsigned j = 0; j < h; j++) {
            const char* line = img->data + static_cast<size_t>(j) * static_cast<size_t>(img->bytes_per_line);
            for (unsigned i = 0; i < w; i++) {
                uint32_t word;
                if (words)
                    std::memcpy(&word, line + 4 * static_cast<size_t>(i), sizeof word);
                const unsigned long p = words ? word : XGetPixel(img, static_cast<int>(i), static_cast<int>(j));
                row[3 * i] = static_cast<unsigned char>(p >> rs);
                row[3 * i + 1] = static_cast<unsigned char>(p >> gs);
                row[3 * i + 2] = static_cast<unsigned char>(p >> bs);
            }
            std::fwrite(row.data(), 1, row.size(), f);
        }
        std::fclose(f);
        XDestroyImage(img);
        XCloseDisplay(d);
        return 0;
    }
    if (argc == 4 && std::strcmp(argv[1], "ping") == 0) {
        const Window root = DefaultRootWindow(d), w = std::strtoul(argv[2], nullptr, 0);
        const Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False), ping = XInternAtom(d, "_NET_WM_PING", False);
        XSelectInput(d, root, SubstructureNotifyMask);
        // A stamp of our own, so that only the answer to this ping counts.
        const long stamp = static_cast<long>(getpid());
        XEvent e = {};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = protocols;
        e.xclient.format = 32;
        e.xclient.data.l[0] = static_cast<long>(ping);
        e.xclient.data.l[1] = stamp;
        e.xclient.data.l[2] = static_cast<long>(w);
        XSendEvent(d, w, False, NoEventMask, &e);
        XFlush(d);
        const int polls_per_second = 100;
        for (int i = 0; i < std::atoi(argv[3]) * polls_per_second; i++) {
            while (XPending(d)) {
                XNextEvent(d, &e);
                if (e.type == ClientMessage && e.xclient.message_type == protocols &&
                    static_cast<Atom>(e.xclient.data.l[0]) == ping && e.xclient.data.l[1] == stamp &&
                    e.xclient.window == root) {
                    std::printf("answered\n");
                    return 0;
                }
            }
            usleep(1000000 / polls_per_second);
        }
        std::fprintf(stderr, "x_probe: no answer to the ping\n");
        return 1;
    }
    std::fprintf(stderr,
        "usage: x_probe grab SECONDS | x_probe cursor | x_probe shot X Y W H FILE | "
        "x_probe ping WINDOW SECONDS\n");
    return 2;
}
