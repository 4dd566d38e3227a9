// The X side of the display: window class, icon list, the desktop's
// identification of the window, and area updates.
#include "display_x11.h"
#include "window_icon.h"
#include <allegro.h>
#include <xalleg.h>
#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <climits>
#include <cstring>
#include <unistd.h>

// The library's update of a screen area after its own drawing; exported by its
// X port but not declared in its headers.
extern "C" void _xwin_update_screen(int x, int y, int w, int h);
// The XPM picture the library gives each window it creates as its icon.
extern "C" void* allegro_icon;

// Set before main, as the window may be made as soon as the library starts.
static const bool icon_given = (allegro_icon = const_cast<char**>(vorlin_icon_xpm), true);

static const char* const WINDOW_CLASS_NAME = "vorlin";
static const char* const WINDOW_CLASS = "Vorlin";

bool x11_screen()
{
    return gfx_driver && (gfx_driver->id == GFX_XWINDOWS || gfx_driver->id == GFX_XWINDOWS_FULLSCREEN);
}

void x11_set_window_identity()
{
    if (!system_driver || system_driver->id != SYSTEM_XWINDOWS || !_xwin.display)
        return;
    // Windows the library makes from now on take the class from here; those it
    // already made (it makes its window when it starts) get it directly.
    xwin_set_window_name(WINDOW_CLASS_NAME, WINDOW_CLASS);
    XLOCK();
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

void x11_update_area(int x, int y, int w, int h)
{
    if (x11_screen())
        _xwin_update_screen(x, y, w, h);
}
