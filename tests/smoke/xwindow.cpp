// SPDX-License-Identifier: GPL-3.0-or-later
// A tiny X client for the real-window tests: waits for a window manager or for a top-level
// window whose title contains a text, and sends a window the window manager's close request.
//   xwindow wm SECONDS          returns once a window manager has announced itself
//   xwindow wait TEXT SECONDS   prints the window id once the title shows up
//   xwindow close ID            sends WM_DELETE_WINDOW, as a window manager's close box does
#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace {

std::string titleOf(Display* dpy, Window w)
{
    const Atom netName = XInternAtom(dpy, "_NET_WM_NAME", False);
    const Atom utf8 = XInternAtom(dpy, "UTF8_STRING", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char* data = nullptr;
    std::string title;
    if (XGetWindowProperty(dpy, w, netName, 0, 4096, False, utf8, &type, &format, &count, &after,
                           &data) == Success && data) {
        title.assign(reinterpret_cast<char*>(data), count);
        XFree(data);
    }
    return title;
}

Window find(Display* dpy, Window root, const std::string& text)
{
    Window parent, *children = nullptr;
    unsigned int n = 0;
    if (!XQueryTree(dpy, root, &root, &parent, &children, &n))
        return 0;
    Window found = 0;
    for (unsigned int i = 0; i < n && !found; ++i) {
        if (titleOf(dpy, children[i]).find(text) != std::string::npos)
            found = children[i];
        else
            found = find(dpy, children[i], text);
    }
    if (children)
        XFree(children);
    return found;
}

}  // namespace

int main(int argc, char** argv)
{
    // A window can go away between finding it and reading its title: not an error here.
    XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "xwindow: cannot open the display\n");
        return 2;
    }
    if (argc == 3 && std::strcmp(argv[1], "wm") == 0) {
        // An EWMH window manager names its check window on the root window.
        const Atom check = XInternAtom(dpy, "_NET_SUPPORTING_WM_CHECK", False);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[2]));
        while (std::chrono::steady_clock::now() < deadline) {
            Atom type;
            int format;
            unsigned long count = 0, after;
            unsigned char* data = nullptr;
            const bool announced =
                XGetWindowProperty(dpy, DefaultRootWindow(dpy), check, 0, 1, False, XA_WINDOW, &type,
                                   &format, &count, &after, &data) == Success && data && count == 1;
            if (data)
                XFree(data);
            if (announced)
                return 0;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        std::fprintf(stderr, "xwindow: no window manager came up\n");
        return 1;
    }
    if (argc == 4 && std::strcmp(argv[1], "wait") == 0) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(std::atoi(argv[3]));
        while (std::chrono::steady_clock::now() < deadline) {
            Window w = find(dpy, DefaultRootWindow(dpy), argv[2]);
            XWindowAttributes attributes{};
            if (w && XGetWindowAttributes(dpy, w, &attributes) && attributes.map_state == IsViewable) {
                std::printf("%lu\n", static_cast<unsigned long>(w));
                return 0;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        std::fprintf(stderr, "xwindow: no window titled \"%s\" appeared\n", argv[2]);
        return 1;
    }
    if (argc == 3 && std::strcmp(argv[1], "close") == 0) {
        const Window w = std::strtoul(argv[2], nullptr, 10);
        XEvent ev{};
        ev.xclient.type = ClientMessage;
        ev.xclient.window = w;
        ev.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
        ev.xclient.format = 32;
        ev.xclient.data.l[0] = static_cast<long>(XInternAtom(dpy, "WM_DELETE_WINDOW", False));
        ev.xclient.data.l[1] = CurrentTime;
        XSendEvent(dpy, w, False, NoEventMask, &ev);
        XFlush(dpy);
        return 0;
    }
    std::fprintf(stderr, "usage: xwindow wm SECONDS | xwindow wait TEXT SECONDS | xwindow close ID\n");
    return 2;
}
