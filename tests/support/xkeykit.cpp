// Test kit: keys sent to a program's window on the X display, found by its title, as a player would press them.
#include "support/xkeykit.h"

#include <X11/Xlib.h>

#include <chrono>
#include <cstring>
#include <thread>

static Window WindowNamed(Display *d, Window top, const char *name)
{
    char *title = nullptr;
    bool found = XFetchName(d, top, &title) && title && strcmp(title, name) == 0;
    if (title)
        XFree(title);
    if (found)
        return top;
    Window root, parent, *children = nullptr;
    unsigned count = 0;
    Window hit = 0;
    if (XQueryTree(d, top, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !hit; i++)
            hit = WindowNamed(d, children[i], name);
        if (children)
            XFree(children);
    }
    return hit;
}

// The window may go away between finding it and sending to it, when the
// program ends; the library's own handler would end the test then.
static int ErrorIgnore(Display *, XErrorEvent *)
{
    return 0;
}

int XKeyTapWindow(const char *title, const char *keyName)
{
    // One connection for the whole run: a new one for every tap can keep the
    // program under test from connecting.
    static Display *d = nullptr;
    if (!d) {
        XSetErrorHandler(ErrorIgnore);
        d = XOpenDisplay(nullptr);
    }
    if (!d)
        return 0;
    Window w = WindowNamed(d, DefaultRootWindow(d), title);
    if (w) {
        for (int type : {KeyPress, KeyRelease}) {
            XEvent ev = {};
            ev.xkey.type = type;
            ev.xkey.display = d;
            ev.xkey.window = w;
            ev.xkey.root = DefaultRootWindow(d);
            ev.xkey.time = CurrentTime;
            ev.xkey.same_screen = True;
            ev.xkey.keycode = XKeysymToKeycode(d, XStringToKeysym(keyName));
            XSendEvent(d, w, True, type == KeyPress ? KeyPressMask : KeyReleaseMask, &ev);
            XFlush(d);
            // The release in a later frame than the press.
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    return w != 0;
}
