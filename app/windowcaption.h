// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QString;
class QWidget;

// Sets a window's caption as given, an empty one included. Qt hands the platform its
// application's name for an empty title, so the search's blank caption would read
// "Zarnik"; the platform gets a lone space instead, which shows as nothing. The window's
// own title (windowTitle()) is the empty text all the same.
void ShowCaption(QWidget* window, const QString& caption);
