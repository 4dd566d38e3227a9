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
// And on binary PPM files (its own shots), with no display, where the
// scripts would otherwise start ImageMagick many times a second:
//   x_probe mean FILE     prints the mean of all channels of all pixels, from
//                         0 (black) to 1 (white)
//   x_probe rmse FILE FILE WxH+X+Y
//                         prints the root-mean-square difference (0 to 1) of
//                         the channels of that area in the two pictures;
//                         exits 1 if either cannot be read or is too small
//   x_probe outside FILE WxH+X+Y
//                         prints the brightest channel (0 to 1, "0" when all
//                         are black) of the pixels outside that area; exits 1
//                         if the picture cannot be read or does not hold it
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <vector>

namespace {

// A binary PPM (P6, 8 bits a channel) read whole; empty if it is not one.
struct Picture {
    unsigned w = 0, h = 0;
    std::vector<unsigned char> rgb;
};

Picture read_ppm(const char* path)
{
    Picture pic;
    FILE* f = std::fopen(path, "rb");
    if (!f)
        return pic;
    unsigned w = 0, h = 0, max = 0;
    const unsigned largest_side = 1u << 15;
    if (std::fscanf(f, "P6 %u %u %u", &w, &h, &max) == 3 && max == 255 && std::fgetc(f) != EOF && w > 0 && h > 0 &&
        w <= largest_side && h <= largest_side) {
        pic.rgb.resize(3 * static_cast<size_t>(w) * h);
        if (std::fread(pic.rgb.data(), 1, pic.rgb.size(), f) == pic.rgb.size()) {
            pic.w = w;
            pic.h = h;
        } else {
            pic.rgb.clear();
        }
    }
    std::fclose(f);
    return pic;
}

int picture_mean(const char* path)
{
    const Picture pic = read_ppm(path);
    if (pic.rgb.empty()) {
        std::fprintf(stderr, "x_probe: %s is not a binary PPM\n", path);
        return 1;
    }
    double sum = 0;
    for (unsigned char c : pic.rgb)
        sum += c;
    std::printf("%.6f\n", sum / (255.0 * static_cast<double>(pic.rgb.size())));
    return 0;
}

// An area WxH+X+Y of a picture.
struct Area {
    unsigned w = 0, h = 0, x = 0, y = 0;
    bool within(const Picture& pic) const { return w <= pic.w && x <= pic.w - w && h <= pic.h && y <= pic.h - h; }
};

bool read_area(const char* text, Area& area)
{
    if (std::sscanf(text, "%ux%u+%u+%u", &area.w, &area.h, &area.x, &area.y) == 4 && area.w > 0 && area.h > 0)
        return true;
    std::fprintf(stderr, "x_probe: %s is not an area WxH+X+Y\n", text);
    return false;
}

int picture_rmse(const char* path_a, const char* path_b, const char* area_text)
{
    Area area;
    if (!read_area(area_text, area))
        return 2;
    const unsigned w = area.w, h = area.h, x = area.x, y = area.y;
    const Picture a = read_ppm(path_a), b = read_ppm(path_b);
    for (const Picture* pic : {&a, &b}) {
        if (pic->rgb.empty() || !area.within(*pic)) {
            std::fprintf(
                stderr, "x_probe: %s is not a binary PPM holding %s\n", pic == &a ? path_a : path_b, area_text);
            return 1;
        }
    }
    double sum = 0;
    for (unsigned j = y; j < y + h; j++) {
        const unsigned char* pa = &a.rgb[3 * (static_cast<size_t>(j) * a.w + x)];
        const unsigned char* pb = &b.rgb[3 * (static_cast<size_t>(j) * b.w + x)];
        for (unsigned i = 0; i < 3 * w; i++) {
            const double d = (pa[i] - pb[i]) / 255.0;
            sum += d * d;
        }
    }
    std::printf("%.6f\n", std::sqrt(sum / (3.0 * w * h)));
    return 0;
}

int picture_outside(const char* path, const char* area_text)
{
    Area area;
    if (!read_area(area_text, area))
        return 2;
    const Picture pic = read_ppm(path);
    if (pic.rgb.empty() || !area.within(pic)) {
        std::fprintf(stderr, "x_probe: %s is not a binary PPM holding %s\n", path, area_text);
        return 1;
    }
    int brightest = 0;
    for (unsigned j = 0; j < pic.h; j++) {
        const bool rows_inside = j >= area.y && j - area.y < area.h;
        for (unsigned i = 0; i < pic.w; i++) {
            if (rows_inside && i >= area.x && i - area.x < area.w)
                continue;
            const unsigned char* p = &pic.rgb[3 * (static_cast<size_t>(j) * pic.w + i)];
            brightest = std::max({brightest, static_cast<int>(p[0]), static_cast<int>(p[1]), static_cast<int>(p[2])});
        }
    }
    std::printf("%g\n", brightest / 255.0);
    return 0;
}

}

int main(int argc, char** argv)
{
    if (argc == 3 && std::strcmp(argv[1], "mean") == 0)
        return picture_mean(argv[2]);
    if (argc == 5 && std::strcmp(argv[1], "rmse") == 0)
        return picture_rmse(argv[2], argv[3], argv[4]);
    if (argc == 4 && std::strcmp(argv[1], "outside") == 0)
        return picture_outside(argv[2], argv[3]);
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
        "x_probe ping WINDOW SECONDS | x_probe mean FILE | x_probe rmse FILE FILE WxH+X+Y |\n"
        "x_probe outside FILE WxH+X+Y\n");
    return 2;
}
