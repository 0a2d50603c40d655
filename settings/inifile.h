// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/safefile.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik {

// A settings file of the Windows private-profile kind: "[Section]" and "key=value" lines.
// The file is kept line by line, so writing it back changes only the lines whose values
// were set: lines before the first section, comments (";" or "#"), blank lines, keys and
// sections we do not know, their order and the line ends all come back byte for byte.
// Values are Windows-1251 byte strings, as the file holds them.
class IniFile {
public:
    // The longest value readString gives, like the Windows functions with the usual
    // 2048-byte buffer.
    static constexpr size_t MaxValueLength = 2047;

    // An empty document; what is written into it gets CR LF line ends.
    IniFile() = default;
    // Never fails: lines that are neither a section, a key nor a comment are kept and
    // otherwise ignored.
    static IniFile fromBytes(std::string_view bytes);
    // A missing file gives an empty document. A file that exists but cannot be read
    // throws FileError, so the caller can say so instead of silently using defaults.
    static IniFile load(const std::string& path);

    // Section and key names match without regard to ASCII case. As on Windows, only the
    // first section of a name is searched, and the first key of a name in it counts.
    bool contains(std::string_view section, std::string_view key) const;
    // The value with surrounding whitespace trimmed, cut to MaxValueLength.
    std::string readString(std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    // A value that is missing, empty, not a whole number (see ParseIniInt) or out of
    // int range gives `defaultValue`.
    int readInt(std::string_view section, std::string_view key, int defaultValue) const;
    // Stored as an int: non-zero is true.
    bool readBool(std::string_view section, std::string_view key, bool defaultValue) const;

    // An existing key is rewritten in place, keeping its spelling and spacing. A new key
    // goes after the last key of its section (so before the blank lines and comments
    // that end it), a new section at the end of the file. Line breaks and zero bytes in
    // `value` would break the file (or end the value early on Windows), so each becomes
    // a space. Section and key names are the program's own: an empty one, or one that
    // could not be read back as written (surrounding spaces, line breaks, "=", "]", or
    // a leading "[", ";" or "#"), throws std::invalid_argument.
    void writeString(std::string_view section, std::string_view key, std::string_view value);
    void writeInt(std::string_view section, std::string_view key, int value);  // decimal
    void writeBool(std::string_view section, std::string_view key, bool value);  // "1"/"0"

    std::string toBytes() const;
    // Replaces the whole file through a temporary one (no backup kept), so an interrupted
    // save never leaves a file that lost keys. Throws FileError; the old file is intact.
    void save(const std::string& path, FileSystem& fs = RealFileSystem()) const;

private:
    enum class Kind { Other, Section, Key };  // Other: blank, comment or unreadable
    struct Line {
        std::string text;  // without its line end
        std::string eol;   // "\r\n", "\n", or empty for a last line without one
        Kind kind = Kind::Other;
        std::string name;  // section or key name, trimmed
        size_t valueBegin = 0, valueEnd = 0;  // the trimmed value within `text`
    };

    static Line parseLine(std::string text, std::string eol);
    std::optional<size_t> findSection(std::string_view section) const;
    std::optional<size_t> findKey(std::string_view section, std::string_view key) const;
    void insertLine(size_t at, std::string text);

    std::vector<Line> lines_;
    std::string newline_ = "\r\n";  // for lines we add
};

// A whole number as the settings file holds it: decimal with an optional sign, or
// hexadecimal after "0x", "0X" or "$" (no sign). Anything else, including surrounding
// or inner whitespace and values outside int range, gives nullopt.
std::optional<int> ParseIniInt(std::string_view text);

}  // namespace zarnik
