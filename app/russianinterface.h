// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QCoreApplication;

// The editor speaks Russian whatever the user's locale is, and so must Qt's own texts in
// it: the buttons of message boxes, the file, font and colour dialogs. Returns false when
// Qt's Russian translation is not installed; Qt's texts then stay in English.
bool InstallRussianInterface(QCoreApplication& app);
