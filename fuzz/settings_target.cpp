// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as Settings.ini and as LastSearched.ini the way start-up does,
// and checks that writing the settings back keeps every line it did not change.
#include "inifile.h"
#include "searchhistory.h"
#include "settingsvalues.h"

#include <cstdio>
#include <cstdlib>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    zarnik::IniFile ini = zarnik::IniFile::fromBytes(bytes);
    const zarnik::SettingsValues values = zarnik::ReadSettings(ini);
    check(values.lastFile.size() <= zarnik::IniFile::MaxValueLength, "strings are bounded");
    const std::string untouched = ini.toBytes();
    check(zarnik::IniFile::fromBytes(untouched).toBytes() == untouched, "reading is stable");

    zarnik::WriteSettings(ini, values, values.maximized);
    const zarnik::IniFile reread = zarnik::IniFile::fromBytes(ini.toBytes());
    const zarnik::SettingsValues again = zarnik::ReadSettings(reread);
    // Line breaks and zero bytes cannot stand inside an INI value; the writer flattens them.
    std::string flatName = values.fontName;
    for (char& c : flatName)
        if (c == '\r' || c == '\n' || c == '\0')
            c = ' ';
    const size_t first = flatName.find_first_not_of(" \t\r\v\f");
    flatName = first == std::string::npos
                   ? std::string()
                   : flatName.substr(first, flatName.find_last_not_of(" \t\r\v\f") - first + 1);
    check(again.fontName == flatName && again.lang == values.lang &&
              again.lastString == values.lastString && again.recCount == values.recCount,
          "written settings read back");

    const auto history = zarnik::ParseSearchHistory(bytes);
    for (const auto& query : history)
        check(!query.empty() && query.find('\0') == std::string::npos, "queries are non-empty");
    check(zarnik::ParseSearchHistory(zarnik::BuildSearchHistory(history, 1000)) == history,
          "history round trip");
    return 0;
}
