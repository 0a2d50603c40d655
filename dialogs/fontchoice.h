// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QFont>

// A font as the settings keep it: Qt's font plus what Qt does not carry (the colour and
// the Windows character set number).
struct FontChoice {
    QFont font;
    QColor color = Qt::black;
    int charSet = 1;
};
