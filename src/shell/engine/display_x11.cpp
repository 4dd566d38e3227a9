// The X side of the display: window class, icon list, the desktop's
// identification of the window, and area updates.
#include "display_x11.h"
#include "window_icon.h"
#include <allegro.h>
#include <xalleg.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <algorithm>
#include <atomic>
#include <climits>
#include <cstring>
#include <unistd.h>
#include <vector>

// The library's update of a screen area after its own drawing; exported by its
// X port but not declared in its headers.
extern "C" void _xwin_update_screen(int x, int y, int w, int h);
// The library's own reading of the window's events, which a program may wrap
// through _xwin_input_handler; exported by its X port but not declared.
extern "C" void _xwin_private_handle_input(void);
// The XPM picture the library gives each window it creates as its icon.
extern "C" void* allegro_icon;

// Set before main, as the window may be made as soon as the library starts.
static const bool icon_given = (allegro_icon = const_cast<char**>(vorlin_icon_xpm), true);

static const char* const WINDOW_CLASS_NAME = "vorlin";
static const char* const WINDOW_CLASS = "Vorlin";

static bool x11_system()
{
    return system_driver && system_driver->id == SYSTEM_XWINDOWS && _xwin.display;
}

bool x11_screen()
{
    return gfx_driver && (gfx_driver->id == GFX_XWINDOWS || gfx_driver->id == GFX_XWINDOWS_FULLSCREEN);
}

// A ping taken from the window's events by the library's thread, answered by
// the main thread when it shows a frame: a game whose loop hangs answers no
// more, and the desktop can offer to end it. Guarded by the library's X lock.
static XClientMessageEvent ping_waiting;
static std::atomic<bool> ping_taken {false};
static Atom wm_protocols = None, net_wm_ping = None;

static bool is_ping(const XEvent* e)
{
    return e->type == ClientMessage && e->xclient.message_type == wm_protocols &&
        static_cast<Atom>(e->xclient.data.l[0]) == net_wm_ping;
}

// Xlib's hook on the reading of events off the connection, declared here as
// in Xlib's internal header (whose min and max macros break the C++ library).
struct _xEvent;
using ReadEvent = Bool (*)(Display*, XEvent*, _xEvent*);
extern "C" ReadEvent XESetWireToEvent(Display*, int, ReadEvent);

// Xlib's reader of client messages, which ours wraps.
static ReadEvent read_client_message = nullptr;

// Every client message passes here as Xlib reads it off the connection,
// whether the game's handler or the library's own event loop reads it (the
// library drops a ping it reads itself, and the desktop then thinks the game
// hung). Runs with the display locked; the ping is only noted.
static Bool take_pings(Display* display, XEvent* e, _xEvent* wire)
{
    const Bool read = read_client_message(display, e, wire);
    if (read && is_ping(e)) {
        ping_waiting = e->xclient;
        ping_taken = true;
    }
    return read;
}

// The size the window manager gave the game's window, as its last
// configuration event said; 0 until one came.
static std::atomic<int> shown_w {0}, shown_h {0};

// Notes the window's size from each configuration event waiting, taking none
// of them: the library reads them after.
static Bool note_size(Display*, XEvent* e, XPointer)
{
    if (e->type == ConfigureNotify && e->xconfigure.window == _xwin.wm_window) {
        shown_w = e->xconfigure.width;
        shown_h = e->xconfigure.height;
    }
    return False;
}

static void handle_window_events()
{
    // Everything the server has sent is read into the queue first: the
    // library reads the connection itself when it finds the queue empty, and a
    // size it read there would never be noted (the picture would stay laid
    // out for the window's old size).
    XSync(_xwin.display, False);
    XEvent e;
    XCheckIfEvent(_xwin.display, &e, note_size, nullptr);
    _xwin_private_handle_input();
}

// Called with the X lock held: the window takes part in the desktop's ping
// (beside the library's close request) and its events pass through the
// game's handler first.
static void watch_window_events()
{
    wm_protocols = XInternAtom(_xwin.display, "WM_PROTOCOLS", False);
    net_wm_ping = XInternAtom(_xwin.display, "_NET_WM_PING", False);
    Atom protocols[] = {XInternAtom(_xwin.display, "WM_DELETE_WINDOW", False), net_wm_ping};
    if (_xwin.wm_window != None)
        XSetWMProtocols(_xwin.display, _xwin.wm_window, protocols, 2);
    static Display* hooked = nullptr;  // wrapping our own reader would loop
    if (hooked != _xwin.display) {
        read_client_message = XESetWireToEvent(_xwin.display, ClientMessage, take_pings);
        hooked = _xwin.display;
    }
    _xwin_input_handler = handle_window_events;
}

void x11_answer_ping()
{
    if (!ping_taken.exchange(false) || !x11_system())
        return;
    XLOCK();
    // The answer goes back to the root window, as the desktop's standard says.
    XEvent answer = {};
    answer.xclient = ping_waiting;
    answer.xclient.window = DefaultRootWindow(_xwin.display);
    XSendEvent(_xwin.display, answer.xclient.window, False, SubstructureNotifyMask | SubstructureRedirectMask, &answer);
    XFlush(_xwin.display);
    XUNLOCK();
}

void x11_set_window_identity()
{
    if (!x11_system())
        return;
    // Windows the library makes from now on take the class from here; those it
    // already made (it makes its window when it starts) get it directly.
    xwin_set_window_name(WINDOW_CLASS_NAME, WINDOW_CLASS);
    XLOCK();
    watch_window_events();
    const Atom net_wm_icon = XInternAtom(_xwin.display, "_NET_WM_ICON", False);
    const Atom net_wm_pid = XInternAtom(_xwin.display, "_NET_WM_PID", False);
    const Atom net_wm_name = XInternAtom(_xwin.display, "_NET_WM_NAME", False);
    const Atom utf8_string = XInternAtom(_xwin.display, "UTF8_STRING", False);
    // The process and the machine it runs on let a desktop offer to end a
    // game that hangs; the title in UTF-8 is the one desktops show.
    const long pid = getpid();
    char host[HOST_NAME_MAX + 1] = {};
    XTextProperty machine = {};
    char* host_list[] = {host};
    const bool machine_known =
        gethostname(host, sizeof host - 1) == 0 && XStringListToTextProperty(host_list, 1, &machine) != 0;
    XClassHint hint;
    hint.res_name = const_cast<char*>(WINDOW_CLASS_NAME);
    hint.res_class = const_cast<char*>(WINDOW_CLASS);
    const Window windows[] = {_xwin.window, _xwin.wm_window, _xwin.fs_window};
    for (Window w : windows) {
        if (w == None)
            continue;
        XSetClassHint(_xwin.display, w, &hint);
        XChangeProperty(_xwin.display, w, net_wm_icon, XA_CARDINAL, 32, PropModeReplace,
            reinterpret_cast<const unsigned char*>(vorlin_icon_argb), vorlin_icon_argb_len);
        XChangeProperty(_xwin.display, w, net_wm_pid, XA_CARDINAL, 32, PropModeReplace,
            reinterpret_cast<const unsigned char*>(&pid), 1);
        XChangeProperty(_xwin.display, w, net_wm_name, utf8_string, 8, PropModeReplace,
            reinterpret_cast<const unsigned char*>(_xwin.window_title),
            static_cast<int>(strnlen(_xwin.window_title, sizeof _xwin.window_title)));
        if (machine_known)
            XSetWMClientMachine(_xwin.display, w, &machine);
    }
    if (machine_known)
        XFree(machine.value);
    XFlush(_xwin.display);
    XUNLOCK();
}

// Properties are read from windows that may be gone (the check window of a
// window manager that has ended): the error that gives is expected.
static int ignore_x_error(Display*, XErrorEvent*)
{
    return 0;
}

// The 32-bit items of property `property` (of type `type`) of window w, at
// most `most` of them; none when it is absent, of another type or the window
// is gone.
static std::vector<long> property_items(Display* d, Window w, Atom property, Atom type, long most)
{
    Atom got_type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> items;
    if (XGetWindowProperty(d, w, property, 0, most, False, type, &got_type, &format, &count, &after, &data) ==
            Success &&
        got_type == type && format == 32 && data)
        items.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + count);
    if (data)
        XFree(data);
    return items;
}

static const long MOST_SUPPORTED_ATOMS = 4096;

bool x11_window_manager_offers_full_screen()
{
    if (!x11_system())
        return false;
    XLOCK();
    Display* d = _xwin.display;
    const Atom check = XInternAtom(d, "_NET_SUPPORTING_WM_CHECK", False);
    const Atom supported = XInternAtom(d, "_NET_SUPPORTED", False);
    const Atom full_screen = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    XSync(d, False);
    XErrorHandler before = XSetErrorHandler(ignore_x_error);
    const std::vector<long> wm = property_items(d, DefaultRootWindow(d), check, XA_WINDOW, 1);
    // The check window names itself while its window manager lives.
    bool offers = wm.size() == 1 && property_items(d, static_cast<Window>(wm[0]), check, XA_WINDOW, 1) == wm;
    if (offers) {
        const std::vector<long> atoms =
            property_items(d, DefaultRootWindow(d), supported, XA_ATOM, MOST_SUPPORTED_ATOMS);
        offers = std::find(atoms.begin(), atoms.end(), static_cast<long>(full_screen)) != atoms.end();
    }
    XSync(d, False);
    XSetErrorHandler(before);
    XUNLOCK();
    return offers;
}

void x11_ask_full_screen(bool full)
{
    if (!x11_system() || _xwin.wm_window == None)
        return;
    XLOCK();
    Display* d = _xwin.display;
    const Atom state = XInternAtom(d, "_NET_WM_STATE", False);
    const Atom full_screen = XInternAtom(d, "_NET_WM_STATE_FULLSCREEN", False);
    if (full) {
        const long states[] = {static_cast<long>(full_screen)};
        XChangeProperty(
            d, _xwin.wm_window, state, XA_ATOM, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(states), 1);
    } else {
        XDeleteProperty(d, _xwin.wm_window, state);
    }
    // The request for a window already shown, as the desktop's standard asks.
    const long NET_WM_STATE_REMOVE = 0, NET_WM_STATE_ADD = 1, SOURCE_APPLICATION = 1;
    XEvent request = {};
    request.xclient.type = ClientMessage;
    request.xclient.window = _xwin.wm_window;
    request.xclient.message_type = state;
    request.xclient.format = 32;
    request.xclient.data.l[0] = full ? NET_WM_STATE_ADD : NET_WM_STATE_REMOVE;
    request.xclient.data.l[1] = static_cast<long>(full_screen);
    request.xclient.data.l[3] = SOURCE_APPLICATION;
    XSendEvent(d, DefaultRootWindow(d), False, SubstructureRedirectMask | SubstructureNotifyMask, &request);
    XFlush(d);
    XUNLOCK();
}

void x11_let_window_resize(int w, int h, int min_w, int min_h, int max_w, int max_h)
{
    if (!x11_system() || _xwin.wm_window == None)
        return;
    XLOCK();
    XSizeHints* hints = XAllocSizeHints();
    if (hints) {
        hints->flags = PMinSize | PMaxSize | PSize;
        hints->min_width = min_w;
        hints->min_height = min_h;
        hints->max_width = max_w;
        hints->max_height = max_h;
        hints->width = w;
        hints->height = h;
        XSetWMNormalHints(_xwin.display, _xwin.wm_window, hints);
        XFree(hints);
    }
    // Centred on the screen: the library showed it at the desktop's size.
    XMoveResizeWindow(_xwin.display, _xwin.wm_window, (DisplayWidth(_xwin.display, _xwin.screen) - w) / 2,
        (DisplayHeight(_xwin.display, _xwin.screen) - h) / 2, static_cast<unsigned>(w), static_cast<unsigned>(h));
    XFlush(_xwin.display);
    XUNLOCK();
}

void x11_ask_shown_size()
{
    if (!x11_system() || _xwin.wm_window == None)
        return;
    XLOCK();
    XWindowAttributes a;
    if (XGetWindowAttributes(_xwin.display, _xwin.wm_window, &a)) {
        shown_w = a.width;
        shown_h = a.height;
    }
    XUNLOCK();
}

bool x11_shown_size(int* w, int* h)
{
    if (shown_w.load() <= 0 || shown_h.load() <= 0)
        return false;
    *w = shown_w;
    *h = shown_h;
    return true;
}

void x11_update_area(int x, int y, int w, int h)
{
    if (x11_screen())
        _xwin_update_screen(x, y, w, h);
}
