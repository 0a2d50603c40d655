// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What zarnik-cli needs from the system beyond the core: one implementation per system
// (platform_posix.cpp, platform_windows.cpp).

#include <string>
#include <string_view>
#include <vector>

namespace zarnik::cli {

// Whatever the system's conventions, the program sees its arguments as UTF-8 (Windows
// keeps the command line in UTF-16; the ANSI argv would lose every Cyrillic file name).
std::vector<std::string> Arguments(int argc, char** argv);

// Writes all of `text` (UTF-8) to standard output (stream 1) or standard error (2).
// Into a file or a pipe the bytes go as they are, so output is the same everywhere; a
// Windows console is written in UTF-16, so Cyrillic reads right whatever its code page.
// Throws FileError (Write).
void WriteStandard(int stream, std::string_view text);

// True when `a` and `b` name the same existing file, however spelled.
bool SameFile(const std::string& a, const std::string& b);

// True when writing to `path` writes to this process's standard output ("-", or a name
// of the very file or device standard output goes to).
bool IsStandardOutput(const std::string& path);

// A file-size limit should make a write fail with a message, not kill the process.
void IgnoreFileSizeSignal();

}  // namespace zarnik::cli
