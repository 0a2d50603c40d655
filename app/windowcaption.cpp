// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowcaption.h"

#include <QString>
#include <QWidget>
#include <QWindow>

void ShowCaption(QWidget* window, const QString& caption)
{
    window->setWindowTitle(caption);
    if (caption.isEmpty() && window->windowHandle())
        window->windowHandle()->setTitle(QStringLiteral(" "));
}
