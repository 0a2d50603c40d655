// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Windows only: the conversions at the system boundary. Inside the program every path
// and message is UTF-8; Windows takes and gives UTF-16.

#include "files/fileerror.h"

#include <string>
#include <string_view>

namespace zarnik::win {

// UTF-8 to UTF-16 and back. Invalid UTF-8 (never produced by the program itself) turns
// into U+FFFD rather than failing.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

// The system's text for an error code (FormatMessageW), one line, without the final
// full stop, so that it reads like the rest of the message.
std::string ErrorText(unsigned long code);

// The errno that the rest of the program checks for (ENOENT for a missing file and so on).
int ErrnoFor(unsigned long code);

// A FileError for `code`, carrying both.
FileError Error(FileStep step, const std::string& path, unsigned long code);

// A new empty file in the user's temporary folder, for a library that opens files by name
// through the C library, which takes names in the ANSI code page: `path` names it in UTF-8
// for the program's own file functions, `narrow` in a form the C library opens whatever the
// user's folder is called (the name itself where the code page holds it, else its short
// 8.3 form).
struct TempFile {
    std::string path;
    std::string narrow;
};
TempFile CreateTempFile();

}  // namespace zarnik::win
