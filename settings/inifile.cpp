// SPDX-License-Identifier: GPL-3.0-or-later
#include "inifile.h"

#include "files/fileerror.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <stdexcept>

namespace zarnik {

namespace {

bool isBlank(char c)
{
    // A lone CR inside a line is treated as trailing space, as a CR LF file edited with
    // a Unix tool sometimes ends up with "\r\r\n".
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(),
                      [](char x, char y) { return asciiLower(x) == asciiLower(y); });
}

std::string_view trimmed(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && isBlank(s[b]))
        ++b;
    while (e > b && isBlank(s[e - 1]))
        --e;
    return s.substr(b, e - b);
}

void checkName(std::string_view name, const char* what)
{
    const bool bad =
        name.empty() || trimmed(name).size() != name.size() || name.front() == '[' ||
        name.front() == ';' || name.front() == '#' ||
        name.find_first_of(std::string_view("\r\n\0=]", 5)) != std::string_view::npos;
    if (bad)
        throw std::invalid_argument(std::string("unusable settings ") + what + " name \"" +
                                    std::string(name) + "\"");
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

std::optional<int> ParseIniInt(std::string_view text)
{
    int base = 10;
    bool negative = false;
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        base = 16;
        text.remove_prefix(2);
    } else if (!text.empty() && text[0] == '$') {
        base = 16;
        text.remove_prefix(1);
    } else if (!text.empty() && (text[0] == '-' || text[0] == '+')) {
        negative = text[0] == '-';
        text.remove_prefix(1);
    }
    if (text.empty())
        return std::nullopt;
    // INT_MAX + 1 is reachable only as the magnitude of INT_MIN.
    const int64_t limit = negative ? int64_t(INT_MAX) + 1 : int64_t(INT_MAX);
    int64_t value = 0;
    for (char c : text) {
        const int d = hexDigit(c);
        if (d < 0 || d >= base)
            return std::nullopt;
        value = value * base + d;
        if (value > limit)
            return std::nullopt;
    }
    return static_cast<int>(negative ? -value : value);
}

IniFile::Line IniFile::parseLine(std::string text, std::string eol)
{
    Line line;
    line.text = std::move(text);
    line.eol = std::move(eol);
    const std::string_view all = line.text;
    const std::string_view body = trimmed(all);
    if (body.empty() || body.front() == ';' || body.front() == '#')
        return line;
    const size_t bodyBegin = static_cast<size_t>(body.data() - all.data());
    if (body.front() == '[') {
        // Whatever follows the "]" is ignored, as Windows does.
        const size_t close = body.find(']');
        if (close != std::string_view::npos) {
            line.kind = Kind::Section;
            line.name = trimmed(body.substr(1, close - 1));
        }
        return line;
    }
    const size_t eq = body.find('=');
    if (eq == std::string_view::npos)
        return line;
    const std::string_view key = trimmed(body.substr(0, eq));
    if (key.empty())
        return line;
    const std::string_view value = trimmed(body.substr(eq + 1));
    line.kind = Kind::Key;
    line.name = key;
    line.valueBegin = value.empty() ? bodyBegin + eq + 1 : size_t(value.data() - all.data());
    line.valueEnd = line.valueBegin + value.size();
    return line;
}

IniFile IniFile::fromBytes(std::string_view bytes)
{
    IniFile ini;
    bool sawCrLf = false, sawLf = false;
    size_t pos = 0;
    while (pos < bytes.size()) {
        const size_t nl = bytes.find('\n', pos);
        if (nl == std::string_view::npos) {
            ini.lines_.push_back(parseLine(std::string(bytes.substr(pos)), {}));
            break;
        }
        size_t end = nl;
        const bool crlf = end > pos && bytes[end - 1] == '\r';
        if (crlf)
            --end;
        (crlf ? sawCrLf : sawLf) = true;
        ini.lines_.push_back(parseLine(std::string(bytes.substr(pos, end - pos)),
                                       crlf ? "\r\n" : "\n"));
        pos = nl + 1;
    }
    // Lines we add follow the file's own convention; a file with no line break yet gets
    // what Windows writes.
    ini.newline_ = sawLf && !sawCrLf ? "\n" : "\r\n";
    return ini;
}

IniFile IniFile::load(const std::string& path)
{
    std::string bytes;
    try {
        bytes = ReadWholeFile(path);
    } catch (const FileError& e) {
        // First start: no settings yet. Any other failure must not pass for that, or the
        // next save would replace the user's settings with defaults.
        if (e.step() == FileStep::Open && e.sysError() == ENOENT)
            return IniFile();
        throw;
    }
    return fromBytes(bytes);
}

std::optional<size_t> IniFile::findSection(std::string_view section) const
{
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == Kind::Section && sameName(lines_[i].name, section))
            return i;
    return std::nullopt;
}

std::optional<size_t> IniFile::findKey(std::string_view section, std::string_view key) const
{
    const auto sec = findSection(section);
    if (!sec)
        return std::nullopt;
    for (size_t i = *sec + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i)
        if (lines_[i].kind == Kind::Key && sameName(lines_[i].name, key))
            return i;
    return std::nullopt;
}

bool IniFile::contains(std::string_view section, std::string_view key) const
{
    return findKey(section, key).has_value();
}

std::string IniFile::readString(std::string_view section, std::string_view key,
                                std::string_view defaultValue) const
{
    std::string_view value = defaultValue;
    if (const auto i = findKey(section, key)) {
        const Line& line = lines_[*i];
        value = std::string_view(line.text).substr(line.valueBegin, line.valueEnd - line.valueBegin);
    }
    return std::string(value.substr(0, MaxValueLength));
}

int IniFile::readInt(std::string_view section, std::string_view key, int defaultValue) const
{
    return ParseIniInt(readString(section, key, {})).value_or(defaultValue);
}

bool IniFile::readBool(std::string_view section, std::string_view key, bool defaultValue) const
{
    return readInt(section, key, defaultValue ? 1 : 0) != 0;
}

void IniFile::insertLine(size_t at, std::string text)
{
    // Only the last line can lack a line end, and it is no longer last.
    if (at > 0 && lines_[at - 1].eol.empty())
        lines_[at - 1].eol = newline_;
    lines_.insert(lines_.begin() + static_cast<ptrdiff_t>(at), parseLine(std::move(text), newline_));
}

void IniFile::writeString(std::string_view section, std::string_view key, std::string_view value)
{
    checkName(section, "section");
    checkName(key, "key");
    std::string clean(value);
    std::replace_if(clean.begin(), clean.end(),
                    [](char c) { return c == '\r' || c == '\n' || c == '\0'; }, ' ');

    const auto sec = findSection(section);
    if (!sec) {
        std::string header(1, '[');  // not "[" + ...: g++ 12 warns falsely on that form
        header.append(section).push_back(']');
        insertLine(lines_.size(), std::move(header));
        insertLine(lines_.size(), std::string(key) + "=" + clean);
        return;
    }
    size_t insertAt = *sec + 1;
    for (size_t i = *sec + 1; i < lines_.size() && lines_[i].kind != Kind::Section; ++i) {
        Line& line = lines_[i];
        if (line.kind != Kind::Key)
            continue;
        if (sameName(line.name, key)) {
            std::string text = line.text.substr(0, line.valueBegin) + clean +
                               line.text.substr(line.valueEnd);
            line = parseLine(std::move(text), std::move(line.eol));
            return;
        }
        insertAt = i + 1;
    }
    insertLine(insertAt, std::string(key) + "=" + clean);
}

void IniFile::writeInt(std::string_view section, std::string_view key, int value)
{
    writeString(section, key, std::to_string(value));
}

void IniFile::writeBool(std::string_view section, std::string_view key, bool value)
{
    writeString(section, key, value ? "1" : "0");
}

std::string IniFile::toBytes() const
{
    std::string out;
    for (const Line& line : lines_) {
        out += line.text;
        out += line.eol;
    }
    return out;
}

void IniFile::save(const std::string& path, FileSystem& fs) const
{
    ReplaceFileSafely(path, toBytes(), BackupPolicy::None, fs);
}

}  // namespace zarnik
