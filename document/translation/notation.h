// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// How single bytes are written into translation files: shared by the functions that give
// a whole notation and the writers that stream one straight into a file.

#include "translation/translation.h"

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zarnik::notation {

// U+27E6 and U+27E7 in UTF-8.
constexpr std::string_view kOpen = "\xE2\x9F\xA6";
constexpr std::string_view kClose = "\xE2\x9F\xA7";
constexpr char kHex[] = "0123456789ABCDEF";

// Characters no reader should have to guess at: control characters and the code page's
// one undefined byte (shown as an invisible U+0098).
inline bool invisible(uint8_t c) { return c < 0x20 || c == 0x7F || c == 0x98; }

inline void appendByteEscape(std::string& out, uint8_t b)
{
    out += kOpen;
    out += kHex[b >> 4];
    out += kHex[b & 15];
    out += kClose;
}

// The letter of TSV's backslash escape for a byte, or 0 when it has none.
inline char tsvBackslashLetter(uint8_t c)
{
    switch (c) {
    case '\t': return 't';
    case '\n': return 'n';
    case '\r': return 'r';
    case '\\': return '\\';
    case '\0': return '0';
    default: return 0;
    }
}

// A Windows-1251 byte as UTF-8.
const std::string& shownUtf8(uint8_t shown);

// How stored byte `b` of a text (shown as `shown`) is written: as it is shown, as one of
// TSV's backslash escapes, or as a byte escape. `atEdge`: it is the text's first or last.
enum class Form : uint8_t { Shown, Backslash, Escape };
inline Form textForm(uint8_t b, uint8_t shown, const uint8_t* typedStorage, TranslationFormat format, bool atEdge)
{
    if (typedStorage[shown] != b)
        return Form::Escape;  // typed, the character would be stored as another byte
    if (format == TranslationFormat::Tsv) {
        if (tsvBackslashLetter(shown))
            return Form::Backslash;
        return invisible(shown) ? Form::Escape : Form::Shown;
    }
    // gettext requires msgid and msgstr to agree on starting and ending with a line
    // break; escaped, neither ever does.
    const bool edgeBreak = shown == '\n' && atEdge;
    if ((invisible(shown) && shown != '\t' && shown != '\n' && shown != '\r') || edgeBreak)
        return Form::Escape;
    return Form::Shown;
}

}  // namespace zarnik::notation
