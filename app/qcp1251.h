// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>
#include <string_view>

// Windows-1251 bytes to a QString and back, through the program's own table; characters
// Windows-1251 lacks become "?".
QString Cp1251ToQString(std::string_view bytes);
std::string QStringToCp1251(const QString& text);
