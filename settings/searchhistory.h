// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/safefile.h"

#include <string>
#include <string_view>
#include <vector>

namespace zarnik {

// The search history, LastSearched.ini. Despite the name it is not an INI file: each
// query (Windows-1251 bytes) is followed by one zero byte, newest first, with no header
// and no count. A query cannot hold a zero byte; it would come back as two queries.

// Queries in file order, at most `maxItems` of them. Empty records (consecutive zero
// bytes) are skipped, and bytes after the last zero byte are dropped: a record is
// complete only with its terminator.
std::vector<std::string> ParseSearchHistory(std::string_view bytes,
                                            size_t maxItems = std::string::npos);

// The first `recCount` items (all of them if there are fewer), each with its zero byte.
// A `recCount` of zero or less, or no items, gives an empty file.
std::string BuildSearchHistory(const std::vector<std::string>& items, int recCount);

// A missing file is an empty history; one that cannot be read throws FileError. Reading
// stops after `maxItems` queries, however long the file.
std::vector<std::string> LoadSearchHistory(const std::string& path,
                                           size_t maxItems = std::string::npos);
// Replaces the file through a temporary one (no backup kept). Throws FileError; the old
// file is then intact.
void SaveSearchHistory(const std::string& path, const std::vector<std::string>& items, int recCount,
                       FileSystem& fs = RealFileSystem());

}  // namespace zarnik
