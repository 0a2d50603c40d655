// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSize>

// The stored outer placement of the main window, made to fit the screen it is on: no
// larger than the available area (but never below the minimum size), and moved so that
// the whole window lies on that area. Stored values can be anything a file can hold;
// used as they stand, a huge size costs gigabytes and a far position hides the window.
QRect FitPlacement(qint64 left, qint64 top, qint64 width, qint64 height, const QRect& available,
                   const QSize& minimum);
