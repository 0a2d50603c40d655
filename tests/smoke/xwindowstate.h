// SPDX-License-Identifier: GPL-3.0-or-later
// What the X server holds about a window: the real-window tests read the window manager's
// doing there rather than through Qt's view of it.
#pragma once

#include <QByteArray>
#include <QWidget>

#include <X11/Xlib.h>

// A property of an X window: its bytes, or its 32-bit items.
inline QByteArray xProperty(WId window, const char* name, const char* type)
{
    Display* dpy = XOpenDisplay(nullptr);
    if (!dpy)
        return "<no display>";
    Atom actualType;
    int format;
    unsigned long count = 0, after;
    unsigned char* data = nullptr;
    QByteArray value = "<none>";
    if (XGetWindowProperty(dpy, static_cast<Window>(window), XInternAtom(dpy, name, False), 0, 4096, False,
                           XInternAtom(dpy, type, False), &actualType, &format, &count, &after,
                           &data) == Success && data) {
        // Xlib hands 32-bit items over as longs.
        value = QByteArray(reinterpret_cast<char*>(data), static_cast<qsizetype>(count * (format == 32 ? sizeof(long) : 1)));
        XFree(data);
    }
    XCloseDisplay(dpy);
    return value;
}
// Whether the window manager has put its frame round the window, as X says: Qt's own
// frame geometry can miss the frame's size when it arrives after the last move.
inline bool framed(WId window)
{
    const QByteArray extents = xProperty(window, "_NET_FRAME_EXTENTS", "CARDINAL");
    if (extents.size() < qsizetype(4 * sizeof(long)))
        return false;
    const auto* e = reinterpret_cast<const long*>(extents.data());
    return e[0] || e[1] || e[2] || e[3];
}
