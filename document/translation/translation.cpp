// SPDX-License-Identifier: GPL-3.0-or-later
#include "translation/translation.h"
#include "translation/notation.h"
#include "translation/keymatch.h"

#include "text/cp1251.h"
#include "text/encodings.h"
#include "files/fileerror.h"
#include "files/safefile.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <set>

namespace zarnik {

const std::string& notation::shownUtf8(uint8_t shown)
{
    // Once per byte value, not once per character of a million texts.
    static const std::array<std::string, 256> utf8 = [] {
        std::array<std::string, 256> table;
        for (int b = 0; b < 256; ++b) {
            const char c = static_cast<char>(b);
            table[b] = Cp1251ToUtf8(std::string_view(&c, 1));
        }
        return table;
    }();
    return utf8[shown];
}

namespace {

using notation::appendByteEscape;
using notation::invisible;
using notation::kClose;
using notation::kOpen;

void appendShown(std::string& out, uint8_t shown) { out += notation::shownUtf8(shown); }

TranslationProblem problem(size_t line, std::string english, std::string russian)
{
    return {line, std::move(english), std::move(russian)};
}

// At most `limit` bytes of `s`, never ending inside a UTF-8 character.
std::string_view wholeCharacters(std::string_view s, size_t limit)
{
    if (s.size() <= limit)
        return s;
    while (limit > 0 && (static_cast<uint8_t>(s[limit]) & 0xC0) == 0x80)
        --limit;
    return s.substr(0, limit);
}

// Decodes one UTF-8 character at `i`; -1 for a malformed sequence (then `i` moves one byte).
long nextCodePoint(std::string_view s, size_t& i)
{
    const auto b0 = static_cast<uint8_t>(s[i]);
    int extra = 0;
    long cp = 0;
    if (b0 < 0x80) { ++i; return b0; }
    if (b0 >= 0xC2 && b0 <= 0xDF) { extra = 1; cp = b0 & 0x1F; }
    else if (b0 >= 0xE0 && b0 <= 0xEF) { extra = 2; cp = b0 & 0x0F; }
    else if (b0 >= 0xF0 && b0 <= 0xF4) { extra = 3; cp = b0 & 0x07; }
    else { ++i; return -1; }
    if (i + extra >= s.size()) { ++i; return -1; }
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80) { ++i; return -1; }
        cp = (cp << 6) | (b & 0x3F);
    }
    const long minimum[] = {0, 0x80, 0x800, 0x10000};
    if (cp < minimum[extra] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) { ++i; return -1; }
    i += extra + 1;
    return cp;
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string codePointName(long cp)
{
    char buf[24];
    std::snprintf(buf, sizeof buf, "U+%04lX", cp);
    return buf;
}

// Enough for the number of keys in the largest file (its key table within 4 GiB).
constexpr size_t kOccurrenceDigits = 9;

// The characters of a field that the code page has, decoded in one run: ASCII (but for a
// backslash where backslashes escape), two-byte characters (Cyrillic) and the punctuation
// of U+2000 to U+2FFF (dashes, quotes, "…", "№"). That is nearly every byte of a text, so
// this loop keeps everything in registers. Stops before anything else (an escape, a
// character outside the code page, a malformed sequence) and leaves it to the caller;
// returns the number of bytes written to `out`.
size_t decodePlainRun(std::string_view s, size_t& i, char* out, bool backslashes)
{
    constexpr uint16_t kNotPlain = 0x100;
    struct Tables {
        std::array<uint16_t, 0x800> upTo7FF{};     // ASCII and the two-byte characters
        std::array<uint16_t, 0x1000> punctuation{}; // U+2000 to U+2FFF
    };
    static const Tables tables = [] {
        Tables t;
        for (char16_t c = 0; c < 0x800; ++c) {
            const uint8_t b = c < 0x80 ? uint8_t(c) : UnicodeToCp1251(c);
            t.upTo7FF[c] = b == '?' && c != '?' ? kNotPlain : b;
        }
        for (char16_t c = 0; c < 0x1000; ++c) {
            const uint8_t b = UnicodeToCp1251(char16_t(0x2000 + c));
            t.punctuation[c] = b == '?' ? kNotPlain : b;
        }
        return t;
    }();
    const auto* in = reinterpret_cast<const uint8_t*>(s.data());
    const size_t n = s.size();
    size_t at = i, count = 0;
    // Latin and Cyrillic alternate at every space, so one- and two-byte characters share
    // one path without a branch between them.
    while (at + 1 < n) {
        const uint32_t c = in[at], next = in[at + 1];
        const bool one = c < 0x80;
        const bool two = c - 0xC2u <= 0xDFu - 0xC2u && (next & 0xC0) == 0x80;
        uint16_t b;
        size_t width;
        if (one | two) [[likely]] {
            b = tables.upTo7FF[one ? c : (c & 0x1F) << 6 | (next & 0x3F)];
            width = two ? 2 : 1;
            if (c == '\\' && backslashes)
                break;
        } else if (c == 0xE2 && at + 2 < n && (next & 0xC0) == 0x80 && (in[at + 2] & 0xC0) == 0x80) {
            b = tables.punctuation[(next & 0x3F) << 6 | (in[at + 2] & 0x3F)];
            width = 3;
        } else {
            break;
        }
        if (b == kNotPlain)  // outside the code page: the caller says so
            break;
        out[count++] = static_cast<char>(b);
        at += width;
    }
    if (at + 1 == n && in[at] < 0x80 && !(in[at] == '\\' && backslashes))
        out[count++] = static_cast<char>(in[at++]);
    i = at;
    return count;
}

// The pieces of a field: typed bytes, exact bytes, and (in keys) an occurrence number.
struct Decoded {
    WrittenText text;
    unsigned occurrence = 0;  // 0: none given
    bool ok = true;
};

Decoded decodeField(std::string_view s, bool backslashes, bool key, size_t line,
                    std::vector<TranslationProblem>& problems)
{
    Decoded d;
    // Never more bytes than the field has: room for all, cut to what was decoded.
    d.text.bytes.resize(s.size());
    size_t count = 0;
    auto push = [&](uint8_t b, bool exact) {
        d.text.bytes[count] = static_cast<char>(b);
        if (exact && !key) {  // a key's bytes are all it has
            if (d.text.exact.empty())
                d.text.exact.resize(s.size());
            d.text.exact[count] = true;
        }
        ++count;
    };
    auto fail = [&](std::string en, std::string ru) {
        if (d.ok)  // one problem per field is enough to find it
            problems.push_back(problem(line, std::move(en), std::move(ru)));
        d.ok = false;
    };
    size_t i = 0;
    while (i < s.size()) {
        count += decodePlainRun(s, i, d.text.bytes.data() + count, backslashes);
        if (i == s.size())
            break;
        // Here only what the run left: an escape, a backslash, or a character to complain of.
        if (s.substr(i, kOpen.size()) == kOpen) {
            const size_t close = s.find(kClose, i + kOpen.size());
            const std::string_view inner =
                close == std::string_view::npos ? std::string_view{} : s.substr(i + kOpen.size(), close - i - kOpen.size());
            if (inner.empty() && close != std::string_view::npos) {
                // Nothing: lets a PO file say "this text is empty", which an empty msgstr cannot.
            } else if (inner.size() == 2 && hexValue(inner[0]) >= 0 && hexValue(inner[1]) >= 0) {
                push(uint8_t(hexValue(inner[0]) * 16 + hexValue(inner[1])), true);
            } else if (key && inner.size() >= 2 && inner.size() <= kOccurrenceDigits + 1 && inner[0] == '#' &&
                       d.occurrence == 0 &&
                       std::all_of(inner.begin() + 1, inner.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                       inner[1] != '0' && std::stoul(std::string(inner.substr(1))) >= 2 &&
                       close + kClose.size() == s.size()) {
                d.occurrence = static_cast<unsigned>(std::stoul(std::string(inner.substr(1))));
            } else {
                const std::string shown(wholeCharacters(s.substr(i), 16));
                fail("malformed escape \"" + shown +
                         "\" (" + std::string(kOpen) + "HH" + std::string(kClose) + " with two hex digits)",
                     "неверная запись байта «" + shown +
                         "» (нужно " + std::string(kOpen) + "HH" + std::string(kClose) + " с двумя шестнадцатеричными цифрами)");
                break;
            }
            i = close + kClose.size();
            continue;
        }
        if (backslashes && s[i] == '\\') {
            const char next = i + 1 < s.size() ? s[i + 1] : '\0';
            const std::string_view known = "tnr\\0";
            if (i + 1 >= s.size() || known.find(next) == std::string_view::npos) {
                fail("unknown escape \"\\" + std::string(i + 1 < s.size() ? 1 : 0, next) +
                         "\" (\\t, \\n, \\r, \\\\ and \\0 are known)",
                     "неизвестная последовательность «\\" + std::string(i + 1 < s.size() ? 1 : 0, next) +
                         "» (известны \\t, \\n, \\r, \\\\ и \\0)");
                break;
            }
            const char byte = next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next == '0' ? '\0' : '\\';
            push(uint8_t(byte), false);
            i += 2;
            continue;
        }
        const long cp = nextCodePoint(s, i);
        if (cp < 0) {
            fail("not valid UTF-8", "не UTF-8");
            break;
        }
        const uint8_t b = cp <= 0xFFFF ? UnicodeToCp1251(char16_t(cp)) : uint8_t('?');
        if (b == '?' && cp != '?') {
            fail("character " + codePointName(cp) + " is outside Windows-1251",
                 "символ " + codePointName(cp) + " не входит в Windows-1251");
            break;
        }
        push(b, false);
    }
    d.text.bytes.resize(count);
    if (!d.text.exact.empty())
        d.text.exact.resize(count);
    // A text ends at a zero byte when saved, whatever followed is lost; only a first zero
    // byte followed by "!" and more (a marker unit, saved as one) survives.
    const std::string& b = d.text.bytes;
    const size_t zero = b.find('\0', b.size() > 2 && b[0] == '\0' && b[1] == '!' ? 1 : 0);
    if (!key && d.ok && zero != std::string::npos)
        fail("a zero byte inside a text (the text would end there when saved)",
             "нулевой байт внутри текста (при сохранении текст на нём оборвётся)");
    return d;
}

}  // namespace

std::optional<TranslationFormat> TranslationFormatFor(const std::string& path)
{
    const size_t dot = path.rfind('.');
    const size_t slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return std::nullopt;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext == "po") return TranslationFormat::Po;
    if (ext == "pot") return TranslationFormat::Pot;
    if (ext == "tsv") return TranslationFormat::Tsv;
    return std::nullopt;
}

std::string KeyNotation(const std::array<char, 8>& name, unsigned occurrence, TranslationFormat format)
{
    size_t end = name.size();
    while (end > 0 && name[end - 1] == '\0')
        --end;
    std::string out;
    for (size_t i = 0; i < end; ++i) {
        const auto b = static_cast<uint8_t>(name[i]);
        if (const char letter = notation::tsvBackslashLetter(b); format == TranslationFormat::Tsv && letter) {
            out += '\\';
            out += letter;
            continue;
        }
        if (invisible(b))
            appendByteEscape(out, b);
        else
            appendShown(out, b);
    }
    if (occurrence > 1)
        out += std::string(kOpen) + "#" + std::to_string(occurrence) + std::string(kClose);
    return out;
}

std::string TextNotation(std::string_view stored, int mode, TranslationFormat format)
{
    const uint8_t* display = DisplayTableFor(mode);
    const uint8_t* typedStorage = TypedStorageTableFor(mode);
    std::string out;
    out.reserve(stored.size() + stored.size() / 2);
    for (size_t i = 0; i < stored.size(); ++i) {
        const auto b = static_cast<uint8_t>(stored[i]);
        const uint8_t shown = display[b];
        switch (notation::textForm(b, shown, typedStorage, format, i == 0 || i + 1 == stored.size())) {
        case notation::Form::Escape:
            appendByteEscape(out, b);
            break;
        case notation::Form::Backslash:
            out += '\\';
            out += notation::tsvBackslashLetter(shown);
            break;
        case notation::Form::Shown:
            appendShown(out, shown);
            break;
        }
    }
    return out;
}

WrittenText DecodeWritten(std::string_view utf8, bool backslashes, size_t line,
                          std::vector<TranslationProblem>& problems)
{
    return decodeField(utf8, backslashes, false, line, problems).text;
}

bool DecodeKey(std::string_view utf8, bool backslashes, size_t line, std::array<char, 8>& key,
               unsigned& occurrence, std::vector<TranslationProblem>& problems)
{
    Decoded d = decodeField(utf8, backslashes, true, line, problems);
    if (!d.ok)
        return false;
    if (d.text.bytes.size() > key.size()) {
        problems.push_back(problem(line, "key \"" + std::string(utf8) + "\" is longer than 8 bytes",
                                   "ключ «" + std::string(utf8) + "» длиннее 8 байт"));
        return false;
    }
    key.fill('\0');
    std::copy(d.text.bytes.begin(), d.text.bytes.end(), key.begin());
    occurrence = d.occurrence == 0 ? 1 : d.occurrence;
    return true;
}

TranslationError::TranslationError(std::string file, std::vector<TranslationProblem> problems)
    : std::runtime_error(file), file_(std::move(file))
{
    // gettext reports a fault once per occurrence (three bad escapes on a line: three
    // times the same line); the reader needs each once.
    std::set<std::pair<size_t, std::string>> seen;
    for (TranslationProblem& p : problems)
        if (seen.emplace(p.line, p.english).second)
            problems_.push_back(std::move(p));
    static_cast<std::runtime_error&>(*this) = std::runtime_error(englishMessage());
}

namespace {
std::string located(const std::string& file, const TranslationProblem& p, bool russian)
{
    std::string where = file;
    if (p.line > 0)
        where += ":" + std::to_string(p.line);
    return where + ": " + (russian ? p.russian : p.english);
}
}  // namespace

// A person reads the first problems and fixes them; thousands more (a binary file, a
// wrong file) would only bury the first.
constexpr size_t kProblemsShown = 20;

std::string TranslationError::englishMessage() const
{
    std::string text;
    for (size_t i = 0; i < problems_.size() && i < kProblemsShown; ++i)
        text += (text.empty() ? "" : "\n") + located(file_, problems_[i], false);
    if (problems_.size() > kProblemsShown)
        text += "\n" + file_ + ": and " + std::to_string(problems_.size() - kProblemsShown) + " more problems";
    return text;
}

std::string TranslationError::russianMessage() const
{
    std::string text;
    for (size_t i = 0; i < problems_.size() && i < kProblemsShown; ++i)
        text += (text.empty() ? "" : "\n") + located(file_, problems_[i], true);
    if (problems_.size() > kProblemsShown)
        text += "\n" + file_ + ": и ещё " + std::to_string(problems_.size() - kProblemsShown) + " ошибок";
    return text;
}

// --- reading ---

namespace {

[[noreturn]] void refuseFile(const std::string& name, std::string english, std::string russian)
{
    throw TranslationError(name, {problem(0, std::move(english), std::move(russian))});
}

// The file's bytes as the text to parse, once a byte-order mark is read: UTF-16 converted,
// a zero byte refused. Whether the rest is UTF-8 is left to refuseUnlessUtf8.
std::string_view withoutByteOrder(std::string_view bytes, const std::string& name, std::string& storage)
{
    const auto refuse = [&](std::string english, std::string russian) {
        refuseFile(name, std::move(english), std::move(russian));
    };
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")  // Notepad and spreadsheets start with a byte-order mark
        bytes.remove_prefix(3);
    std::string_view text = bytes;
    const bool littleEndian = bytes.substr(0, 2) == "\xFF\xFE", bigEndian = bytes.substr(0, 2) == "\xFE\xFF";
    if (littleEndian || bigEndian) {
        // A spreadsheet's "Unicode text": UTF-16 with a mark.
        if (bytes.size() % 2 != 0)
            refuse("UTF-16 with an odd number of bytes: the file is cut off", "UTF-16 с нечётным числом байт: файл обрезан");
        const auto unit = [&](size_t i) -> char32_t {
            const auto a = static_cast<uint8_t>(bytes[i]), b = static_cast<uint8_t>(bytes[i + 1]);
            return littleEndian ? char32_t(a | b << 8) : char32_t(b | a << 8);
        };
        std::string& converted = storage;
        converted.clear();
        converted.reserve(bytes.size());
        for (size_t i = 2; i < bytes.size(); i += 2) {
            char32_t cp = unit(i);
            if (cp >= 0xD800 && cp <= 0xDBFF && i + 3 < bytes.size() && unit(i + 2) >= 0xDC00 && unit(i + 2) <= 0xDFFF) {
                cp = 0x10000 + ((cp - 0xD800) << 10) + (unit(i + 2) - 0xDC00);
                i += 2;
            } else if (cp >= 0xD800 && cp <= 0xDFFF) {
                refuse("not valid UTF-16 (a lone surrogate)", "это не UTF-16 (одиночный суррогат)");
            }
            if (cp < 0x80) {
                converted += static_cast<char>(cp);
            } else if (cp < 0x800) {
                converted += static_cast<char>(0xC0 | cp >> 6);
                converted += static_cast<char>(0x80 | (cp & 0x3F));
            } else if (cp < 0x10000) {
                converted += static_cast<char>(0xE0 | cp >> 12);
                converted += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
                converted += static_cast<char>(0x80 | (cp & 0x3F));
            } else {
                converted += static_cast<char>(0xF0 | cp >> 18);
                converted += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
                converted += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
                converted += static_cast<char>(0x80 | (cp & 0x3F));
            }
        }
        text = converted;
    }
    if (text.find('\0') != std::string_view::npos)
        refuse("holds zero bytes: not a text file", "содержит нулевые байты: это не текстовый файл");
    return text;
}

// One verdict on the whole file instead of one complaint per text.
void refuseUnlessUtf8(std::string_view text, const std::string& name)
{
    const auto refuse = [&](std::string english, std::string russian) {
        refuseFile(name, std::move(english), std::move(russian));
    };
    size_t high = 0, cyrillic = 0;
    bool valid = true;
    for (size_t i = 0; i < text.size() && valid;) {
        const auto b = static_cast<uint8_t>(text[i]);
        uint64_t eight;
        if (i + 8 <= text.size() && (std::memcpy(&eight, text.data() + i, 8), (eight & 0x8080808080808080u) == 0))
            i += 8;  // eight ASCII bytes
        else if (b < 0x80)
            ++i;
        else if (b >= 0xC2 && b <= 0xDF && i + 1 < text.size() && (static_cast<uint8_t>(text[i + 1]) & 0xC0) == 0x80)
            i += 2;
        else
            valid = nextCodePoint(text, i) >= 0;
    }
    if (!valid) {
        valid = true;
        for (size_t i = 0; i < text.size();) {
            const auto b = static_cast<uint8_t>(text[i]);
            if (b >= 0x80) {
                ++high;
                cyrillic += b >= 0xC0 || b == 0xA8 || b == 0xB8;
            }
            if (valid && nextCodePoint(text, i) < 0)
                valid = false;
            else if (!valid)
                ++i;
        }
        if (cyrillic * 10 >= high * 8)
            refuse("not UTF-8; it looks like Windows-1251: save it as UTF-8 and try again",
                   "файл не в UTF-8; похоже, он в Windows-1251: сохраните его в UTF-8 и попробуйте снова");
        refuse("not UTF-8 (nor UTF-16 with a byte-order mark): not a text file this program reads",
               "файл не в UTF-8 (и не в UTF-16 с меткой порядка байт): такой текст не читается");
    }
}

}  // namespace

std::string_view TranslationFileText(std::string_view bytes, const std::string& name, std::string& storage)
{
    const std::string_view text = withoutByteOrder(bytes, name, storage);
    refuseUnlessUtf8(text, name);
    return text;
}

namespace {

// One line of a TSV file, split at its tabs. Version 2 reads fields the way spreadsheets
// quote them: a field that starts with a quote runs to the next lone quote, "" standing
// for one quote; it may hold tabs and line breaks.
struct TsvRecord {
    std::vector<std::string_view> fields;  // into the file, or into `quoted`
    std::deque<std::string> quoted;        // fields that had quotes to undo
    size_t line = 0;     // where it starts
    bool ended = false;  // by a line break, not by the end of the file
    bool badQuote = false;
};

bool nextTsvRecord(std::string_view bytes, size_t& pos, size_t& line, bool quoting, TsvRecord& r)
{
    if (pos >= bytes.size())
        return false;
    r.fields.clear();
    r.quoted.clear();
    r.ended = r.badQuote = false;
    r.line = ++line;
    size_t lineEnd = std::string_view::npos;
    for (;;) {
        if (quoting && pos < bytes.size() && bytes[pos] == '"') {  // a tab may end the file
            std::string& field = r.quoted.emplace_back();
            bool closed = false;
            for (++pos; pos < bytes.size();) {
                const char c = bytes[pos++];
                if (c != '"') {
                    line += c == '\n';
                    field += c;
                } else if (pos < bytes.size() && bytes[pos] == '"') {
                    field += '"';
                    ++pos;
                } else {
                    closed = true;
                    break;
                }
            }
            if (pos < bytes.size() && bytes[pos] == '\r' && pos + 1 < bytes.size() && bytes[pos + 1] == '\n')
                ++pos;
            if (!closed || (pos < bytes.size() && bytes[pos] != '\t' && bytes[pos] != '\n')) {
                r.badQuote = true;
                while (pos < bytes.size() && bytes[pos] != '\n')
                    ++pos;
            }
            r.fields.push_back(field);
        } else {
            // The field ends at the next tab or line break, whichever comes first; the line
            // break is looked for once per line, not once per field.
            if (lineEnd < pos || lineEnd == std::string_view::npos) {
                lineEnd = bytes.find('\n', pos);
                if (lineEnd == std::string_view::npos)
                    lineEnd = bytes.size();
            }
            const void* tab = std::memchr(bytes.data() + pos, '\t', lineEnd - pos);
            const size_t end = tab ? static_cast<size_t>(static_cast<const char*>(tab) - bytes.data()) : lineEnd;
            std::string_view field = bytes.substr(pos, end - pos);
            pos = end;
            if (pos < bytes.size() && bytes[pos] == '\n' && !field.empty() && field.back() == '\r')
                field.remove_suffix(1);  // saved with CR LF line ends
            r.fields.push_back(field);
        }
        if (pos < bytes.size() && bytes[pos] == '\t') {
            ++pos;
            continue;
        }
        if (pos < bytes.size()) {
            ++pos;
            r.ended = true;
        }
        return true;
    }
}

}  // namespace

Translation ParseTsv(std::string_view raw, const std::string& name)
{
    std::string converted;
    // Every field is decoded from UTF-8 below, so the whole-file verdict on the encoding is
    // needed only when something was wrong: a pass less over a large file that is right.
    const std::string_view bytes = withoutByteOrder(raw, name, converted);
    Translation tr;
    tr.name = name;
    std::vector<TranslationProblem> problems;
    // A file that is not UTF-8 is told so before anything about its lines.
    const auto refuse = [&](TranslationProblem p) {
        refuseUnlessUtf8(bytes, name);
        throw TranslationError(name, {std::move(p)});
    };
    size_t pos = 0, line = 0;
    TsvRecord r;
    if (!nextTsvRecord(bytes, pos, line, true, r))
        refuse(problem(0, "empty file, not a Zarnik TSV file", "пустой файл, это не файл TSV Zarnik"));
    std::string_view header = r.fields[0];
    constexpr std::string_view kMagic = "#zarnik-tsv ";
    if (header.substr(0, kMagic.size()) != kMagic)
        refuse(problem(r.line, "not a Zarnik TSV file (the first line must start with \"#zarnik-tsv 2\")",
               "это не файл TSV Zarnik (первая строка должна начинаться с «#zarnik-tsv 2»)"));
    header.remove_prefix(kMagic.size());
    const size_t space = header.find(' ');
    const std::string_view version = header.substr(0, space);
    if (version != "1" && version != "2")
        refuse(problem(r.line, "TSV version \"" + std::string(version) + "\" is not supported (1 and 2 are)",
               "версия TSV «" + std::string(version) + "» не поддерживается (только 1 и 2)"));
    // Version 1 was written without quoting: its quotes are the texts' own.
    const bool quoting = version != "1";
    const std::string_view rest = space == std::string_view::npos ? std::string_view{} : header.substr(space + 1);
    constexpr std::string_view kMode = "mode=";
    if (rest.substr(0, kMode.size()) == kMode) {
        const std::string_view mode = rest.substr(kMode.size(), rest.find(' ') - kMode.size());
        tr.mode = ModeByName(mode);
        if (!tr.mode)
            problems.push_back(problem(r.line, "unknown mode \"" + std::string(mode) + "\"",
                                       "неизвестный режим «" + std::string(mode) + "»"));
    }
    bool ended = r.ended;
    size_t lastLine = r.line;
    while (nextTsvRecord(bytes, pos, line, quoting, r)) {
        ended = r.ended;
        lastLine = r.line;
        // Spreadsheets pad short rows with empty cells up to the widest one.
        while (r.fields.size() > 2 && r.fields.back().empty())
            r.fields.pop_back();
        if (r.badQuote) {
            problems.push_back(problem(r.line, "a quoted field does not end with a quote before the next tab",
                                       "поле в кавычках не заканчивается кавычкой перед табуляцией"));
            continue;
        }
        if (r.fields.size() != 2) {
            problems.push_back(problem(r.line, "expected a key, one tab and a text",
                                       "ожидались ключ, одна табуляция и текст"));
            continue;
        }
        TranslationEntry e;
        e.line = r.line;
        if (!DecodeKey(r.fields[0], true, r.line, e.key, e.occurrence, problems))
            continue;
        const size_t before = problems.size();
        e.text = DecodeWritten(r.fields[1], true, r.line, problems);
        if (problems.size() == before)
            tr.entries.push_back(std::move(e));
    }
    // Every line Zarnik and spreadsheets write ends with a line break: a last line without
    // one is where a copy or a download stopped.
    if (!ended)
        problems.push_back(problem(lastLine, "the last line has no line break: the file looks cut off "
                                             "(if the line is complete, end it with a line break)",
                                   "последняя строка не заканчивается переводом строки: файл, похоже, обрезан "
                                   "(если строка полная, добавьте в конце перевод строки)"));
    if (!problems.empty())
        refuseUnlessUtf8(bytes, name);
    tr.problems = std::move(problems);
    return tr;
}

Translation ReadTranslationFile(const std::string& path)
{
    const auto format = TranslationFormatFor(path);
    if (format == TranslationFormat::Tsv)
        return ParseTsv(ReadWholeFile(path), path);
    if (format)
        return ReadPoFile(path);
    throw TranslationError(path, {problem(0, "not a translation file (.po, .pot or .tsv)",
                                          "это не файл перевода (.po, .pot или .tsv)")});
}

// --- applying ---

int TranslationMode(const Translation& tr, std::optional<int> explicitMode, int fallback)
{
    if (tr.mode && explicitMode && *tr.mode != *explicitMode)
        throw TranslationError(
            tr.name, {problem(0, std::string("written in ") + ModeName(*tr.mode) + " mode, not " + ModeName(*explicitMode),
                              std::string("записан в режиме ") + ModeName(*tr.mode) + ", а не " + ModeName(*explicitMode))});
    return tr.mode.value_or(explicitMode.value_or(fallback));
}

ApplyResult ApplyTranslation(const GxtDocument& doc, const Translation& tr, int mode, bool useFuzzy)
{
    const KeyIndex index(doc.keys);
    std::vector<TranslationProblem> problems = tr.problems;
    constexpr size_t kNowhere = size_t(-1);
    std::vector<size_t> target(tr.entries.size());
    // Per entry of the document: one past the line of the translation's entry for it, 0
    // for none yet.
    std::vector<size_t> firstLine(doc.keys.size(), 0);
    size_t next = 0;  // translations mostly list the entries in the file's order: try there first
    for (size_t n = 0; n < tr.entries.size(); ++n) {
        const TranslationEntry& e = tr.entries[n];
        const bool inOrder =
            next < doc.keys.size() && doc.keys[next].name == e.key && index.occurrence(next) == e.occurrence;
        const size_t found = inOrder ? next : index.find(e.key, e.occurrence);
        next = found == KeyIndex::npos ? next : found + 1;
        if (found == KeyIndex::npos && e.untranslated) {
            target[n] = kNowhere;  // a newer template's key, with nothing to put anywhere
            continue;
        }
        if (found == KeyIndex::npos) {
            const std::string shown = KeyNotation(e.key, e.occurrence, TranslationFormat::Po);
            problems.push_back(problem(e.line, "unknown key \"" + shown + "\"", "неизвестный ключ «" + shown + "»"));
            continue;
        }
        if (firstLine[found] != 0) {
            const std::string shown = KeyNotation(e.key, e.occurrence, TranslationFormat::Po);
            const std::string first = std::to_string(firstLine[found] - 1);
            problems.push_back(problem(e.line, "key \"" + shown + "\" given twice (first at line " + first + ")",
                                       "ключ «" + shown + "» указан дважды (впервые в строке " + first + ")"));
            continue;
        }
        firstLine[found] = e.line + 1;
        target[n] = found;
    }
    if (!problems.empty()) {
        std::stable_sort(problems.begin(), problems.end(),
                         [](const auto& a, const auto& b) { return a.line < b.line; });
        throw TranslationError(tr.name, std::move(problems));
    }

    ApplyResult r;
    const uint8_t* display = DisplayTableFor(mode);
    const uint8_t* typedStorage = TypedStorageTableFor(mode);
    // Per typed byte: the byte stored, with kShownOtherwise where it will not read back as
    // typed ("ё" stored as "е"), so that the loop over a text needs no branch.
    constexpr uint16_t kShownOtherwise = 0x100;
    std::array<uint16_t, 256> storedFor{};
    for (int typed = 0; typed < 256; ++typed)
        storedFor[typed] = uint16_t(typedStorage[typed] | (display[typedStorage[typed]] != typed ? kShownOtherwise : 0));
    Text stored;
    for (size_t n = 0; n < tr.entries.size(); ++n) {
        const TranslationEntry& e = tr.entries[n];
        if (target[n] == kNowhere) {
            ++r.unknownUntranslated;
            continue;
        }
        if (e.untranslated) {
            ++r.untranslated;
            continue;
        }
        if (e.fuzzy && !useFuzzy) {
            ++r.fuzzyKept;
            continue;
        }
        stored.assign(e.text.bytes);  // a text of its own only where it changes
        uint16_t marks = 0;
        for (char& c : stored) {
            const uint16_t v = storedFor[static_cast<uint8_t>(c)];
            marks |= v;
            c = static_cast<char>(v);
        }
        // Escaped bytes are stored as they stand; the marks are looked at only for the
        // typed ones.
        if (!e.text.exact.empty())
            for (size_t k = 0; k < stored.size(); ++k)
                if (e.text.exact[k])
                    stored[k] = e.text.bytes[k];
        std::string differences;
        for (size_t k = 0; (marks & kShownOtherwise) && k < stored.size(); ++k) {
            const auto typed = static_cast<uint8_t>(e.text.bytes[k]);
            if (e.text.isExact(k) || !(storedFor[typed] & kShownOtherwise))
                continue;
            const char pair[] = {static_cast<char>(typed), static_cast<char>(display[typedStorage[typed]])};
            const std::string shown = Cp1251ToUtf8(std::string_view(pair, 1)) + "\xE2\x86\x92" +
                                      Cp1251ToUtf8(std::string_view(pair + 1, 1));
            if (differences.find(shown) == std::string::npos)
                differences += (differences.empty() ? "" : ", ") + shown;
        }
        ++r.replaced;
        if (!differences.empty())
            r.storedDifferently.push_back({KeyNotation(e.key, e.occurrence, TranslationFormat::Po), std::move(differences)});
        if (doc.text(target[n]) != stored)
            r.changes.push_back({target[n], stored});
    }
    std::sort(r.changes.begin(), r.changes.end(), [](const TextChange& a, const TextChange& b) { return a.index < b.index; });
    return r;
}

}  // namespace zarnik
