// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>
#include <string_view>

// The form of a path in Settings.ini's LastFile. The Windows program wrote Windows-1251,
// and every path that code page can hold is still written so, keeping old and new files
// alike readable by both. A path it cannot hold ("ë", "日本", ordinary names on Linux) is
// written as UTF-8 behind a byte-order mark: those three bytes read "п»ї" in
// Windows-1251, which no real path begins with, so the two forms never mix up.
std::string StoredPathFrom(const QString& path);
QString StoredPathTo(std::string_view stored);
