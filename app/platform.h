// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The editor's few needs from the system that Qt does not cover. This is the one file of
// the window code that may differ between systems; everything else builds unchanged with
// Qt 6 on Windows (MSVC or MinGW) as on Linux.

#include <QString>

#include <string>

namespace platform {

// A path as the document core takes it: UTF-8 on Windows, where the core widens it to
// UTF-16 for the system; elsewhere the file system's own encoding of the name.
std::string CorePath(const QString& path);

// Where Settings.ini and LastSearched.ini go when the program's own folder cannot hold
// them: the user's application data on Windows (%APPDATA%\Zarnik), ~/.config/zarnik
// elsewhere. A fixed name, so the settings do not move with the application's name.
QString UserSettingsFolder();

// A file-size limit should make a save fail with a message, not kill the editor.
void IgnoreFileSizeSignal();

// True on X11/Wayland systems when no display is set and no Qt platform was chosen, so
// that the editor can say so instead of letting Qt abort. Never true on Windows.
bool DisplayMissing(int argc, char** argv);

}  // namespace platform
