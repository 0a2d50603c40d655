#include "translation/translation.h"

#include "text/cp1251.h"
#include "text/encodings.h"
#include "files/fileerror.h"
#include "files/safefile.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace zarnik {

namespace {

// U+27E6 and U+27E7 in UTF-8.
constexpr std::string_view kOpen = "\xE2\x9F\xA6";
constexpr std::string_view kClose = "\xE2\x9F\xA7";
constexpr char kHex[] = "0123456789ABCDEF";

// Characters no reader should have to guess at: control characters and the code page's
// one undefined byte (shown as an invisible U+0098).
bool invisible(uint8_t c) { return c < 0x20 || c == 0x7F || c == 0x98; }

void appendByteEscape(std::string& out, uint8_t b)
{
    out += kOpen;
    out += kHex[b >> 4];
    out += kHex[b & 15];
    out += kClose;
}

bool tsvBackslash(std::string& out, uint8_t c)
{
    switch (c) {
    case '\t': out += "\\t"; return true;
    case '\n': out += "\\n"; return true;
    case '\r': out += "\\r"; return true;
    case '\\': out += "\\\\"; return true;
    case '\0': out += "\\0"; return true;
    default: return false;
    }
}

void appendShown(std::string& out, uint8_t shown)
{
    const char c = static_cast<char>(shown);
    out += Cp1251ToUtf8(std::string_view(&c, 1));
}

TranslationProblem problem(size_t line, std::string english, std::string russian)
{
    return {line, std::move(english), std::move(russian)};
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
    auto push = [&](uint8_t b, bool exact) {
        d.text.bytes.push_back(static_cast<char>(b));
        d.text.exact.push_back(exact);
    };
    auto fail = [&](std::string en, std::string ru) {
        if (d.ok)  // one problem per field is enough to find it
            problems.push_back(problem(line, std::move(en), std::move(ru)));
        d.ok = false;
    };
    size_t i = 0;
    while (i < s.size()) {
        if (s.substr(i, kOpen.size()) == kOpen) {
            const size_t close = s.find(kClose, i + kOpen.size());
            const std::string_view inner =
                close == std::string_view::npos ? std::string_view{} : s.substr(i + kOpen.size(), close - i - kOpen.size());
            if (inner.size() == 2 && hexValue(inner[0]) >= 0 && hexValue(inner[1]) >= 0) {
                push(uint8_t(hexValue(inner[0]) * 16 + hexValue(inner[1])), true);
            } else if (key && inner.size() >= 2 && inner.size() <= kOccurrenceDigits + 1 && inner[0] == '#' &&
                       d.occurrence == 0 &&
                       std::all_of(inner.begin() + 1, inner.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
                       inner[1] != '0' && std::stoul(std::string(inner.substr(1))) >= 2 &&
                       close + kClose.size() == s.size()) {
                d.occurrence = static_cast<unsigned>(std::stoul(std::string(inner.substr(1))));
            } else {
                fail("malformed escape \"" + std::string(s.substr(i, std::min<size_t>(s.size() - i, 16))) +
                         "\" (" + std::string(kOpen) + "HH" + std::string(kClose) + " with two hex digits)",
                     "неверная запись байта «" + std::string(s.substr(i, std::min<size_t>(s.size() - i, 16))) +
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
        if (format == TranslationFormat::Tsv && tsvBackslash(out, b))
            continue;
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
        if (typedStorage[shown] != b) {
            appendByteEscape(out, b);
        } else if (format == TranslationFormat::Tsv) {
            if (!tsvBackslash(out, shown)) {
                if (invisible(shown))
                    appendByteEscape(out, b);
                else
                    appendShown(out, shown);
            }
        } else {
            // gettext requires msgid and msgstr to agree on starting and ending with a line
            // break; escaped, neither ever does.
            const bool edgeBreak = shown == '\n' && (i == 0 || i + 1 == stored.size());
            if ((invisible(shown) && shown != '\t' && shown != '\n' && shown != '\r') || edgeBreak)
                appendByteEscape(out, b);
            else
                appendShown(out, shown);
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
    : std::runtime_error(file), file_(std::move(file)), problems_(std::move(problems))
{
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

std::string TranslationError::englishMessage() const
{
    std::string text;
    for (const TranslationProblem& p : problems_)
        text += (text.empty() ? "" : "\n") + located(file_, p, false);
    return text;
}

std::string TranslationError::russianMessage() const
{
    std::string text;
    for (const TranslationProblem& p : problems_)
        text += (text.empty() ? "" : "\n") + located(file_, p, true);
    return text;
}

// --- writing ---

std::string BuildTsv(const GxtDocument& doc, int mode)
{
    std::string out = "#zarnik-tsv 1 mode=" + std::string(ModeName(mode)) + " language=";
    std::array<char, 8> letter{};
    letter[0] = doc.languageLetter();
    out += letter[0] == '\0' ? "\\0" : KeyNotation(letter, 1, TranslationFormat::Tsv);
    out += '\n';
    std::map<std::array<char, 8>, unsigned> seen;
    for (size_t i = 0; i < doc.keys.size(); ++i) {
        out += KeyNotation(doc.keys[i].name, ++seen[doc.keys[i].name], TranslationFormat::Tsv);
        out += '\t';
        out += TextNotation(doc.text(i), mode, TranslationFormat::Tsv);
        out += '\n';
    }
    return out;
}

SourceComparison ExportTranslation(const GxtDocument& doc, int mode, const GxtDocument* source,
                                   const std::string& path, TranslationFormat format)
{
    SourceComparison comparison;
    std::string bytes;
    if (format == TranslationFormat::Tsv) {
        bytes = BuildTsv(doc, mode);
    } else {
        const size_t slash = path.rfind('/');
        bytes = BuildPo(doc, mode, source, format == TranslationFormat::Pot,
                        slash == std::string::npos ? path : path.substr(slash + 1), &comparison);
    }
    ReplaceFileSafely(path, bytes, BackupPolicy::None);
    return comparison;
}

// --- reading ---

Translation ParseTsv(std::string_view bytes, const std::string& name)
{
    Translation tr;
    tr.name = name;
    std::vector<TranslationProblem> problems;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")  // spreadsheets like to start with a BOM
        bytes.remove_prefix(3);
    size_t pos = 0, line = 0;
    bool headerSeen = false;
    while (pos < bytes.size()) {
        size_t end = bytes.find('\n', pos);
        if (end == std::string_view::npos)
            end = bytes.size();
        std::string_view text = bytes.substr(pos, end - pos);
        pos = end + 1;
        ++line;
        if (!text.empty() && text.back() == '\r')  // saved with CR LF line ends
            text.remove_suffix(1);
        if (!headerSeen) {
            headerSeen = true;
            constexpr std::string_view kMagic = "#zarnik-tsv ";
            if (text.substr(0, kMagic.size()) != kMagic)
                throw TranslationError(name, {problem(line, "not a Zarnik TSV file (the first line must start with \"#zarnik-tsv 1\")",
                                                      "это не файл TSV Zarnik (первая строка должна начинаться с «#zarnik-tsv 1»)")});
            text.remove_prefix(kMagic.size());
            const size_t space = text.find(' ');
            const std::string_view version = text.substr(0, space);
            if (version != "1")
                throw TranslationError(name, {problem(line, "TSV version \"" + std::string(version) + "\" is not supported (1 is)",
                                                      "версия TSV «" + std::string(version) + "» не поддерживается (только 1)")});
            const std::string_view rest = space == std::string_view::npos ? std::string_view{} : text.substr(space + 1);
            constexpr std::string_view kMode = "mode=";
            if (rest.substr(0, kMode.size()) == kMode) {
                const std::string_view mode = rest.substr(kMode.size(), rest.find(' ') - kMode.size());
                tr.mode = ModeByName(mode);
                if (!tr.mode)
                    problems.push_back(problem(line, "unknown mode \"" + std::string(mode) + "\"",
                                               "неизвестный режим «" + std::string(mode) + "»"));
            }
            continue;
        }
        if (text.empty() && pos >= bytes.size())
            break;  // the final line break
        const size_t tab = text.find('\t');
        if (tab == std::string_view::npos || text.find('\t', tab + 1) != std::string_view::npos) {
            problems.push_back(problem(line, "expected a key, one tab and a text",
                                       "ожидались ключ, одна табуляция и текст"));
            continue;
        }
        TranslationEntry e;
        e.line = line;
        if (!DecodeKey(text.substr(0, tab), true, line, e.key, e.occurrence, problems))
            continue;
        const size_t before = problems.size();
        e.text = DecodeWritten(text.substr(tab + 1), true, line, problems);
        if (problems.size() == before)
            tr.entries.push_back(std::move(e));
    }
    if (!headerSeen)
        throw TranslationError(name, {problem(0, "empty file, not a Zarnik TSV file", "пустой файл, это не файл TSV Zarnik")});
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
    using Key = std::pair<std::array<char, 8>, unsigned>;
    std::map<Key, size_t> index;
    {
        std::map<std::array<char, 8>, unsigned> seen;
        for (size_t i = 0; i < doc.keys.size(); ++i)
            index.emplace(Key{doc.keys[i].name, ++seen[doc.keys[i].name]}, i);
    }
    std::vector<TranslationProblem> problems = tr.problems;
    std::vector<size_t> target(tr.entries.size());
    std::map<size_t, size_t> firstLine;
    for (size_t n = 0; n < tr.entries.size(); ++n) {
        const TranslationEntry& e = tr.entries[n];
        const std::string shown = KeyNotation(e.key, e.occurrence, TranslationFormat::Po);
        const auto it = index.find(Key{e.key, e.occurrence});
        if (it == index.end()) {
            problems.push_back(problem(e.line, "unknown key \"" + shown + "\"", "неизвестный ключ «" + shown + "»"));
            continue;
        }
        const auto [first, fresh] = firstLine.emplace(it->second, e.line);
        if (!fresh) {
            problems.push_back(problem(e.line,
                                       "key \"" + shown + "\" given twice (first at line " + std::to_string(first->second) + ")",
                                       "ключ «" + shown + "» указан дважды (впервые в строке " + std::to_string(first->second) + ")"));
            continue;
        }
        target[n] = it->second;
    }
    if (!problems.empty()) {
        std::stable_sort(problems.begin(), problems.end(),
                         [](const auto& a, const auto& b) { return a.line < b.line; });
        throw TranslationError(tr.name, std::move(problems));
    }

    ApplyResult r;
    const uint8_t* display = DisplayTableFor(mode);
    const uint8_t* typedStorage = TypedStorageTableFor(mode);
    for (size_t n = 0; n < tr.entries.size(); ++n) {
        const TranslationEntry& e = tr.entries[n];
        if (e.untranslated) {
            ++r.untranslated;
            continue;
        }
        if (e.fuzzy && !useFuzzy) {
            ++r.fuzzyKept;
            continue;
        }
        Text stored = e.text.bytes;
        bool differs = false;
        for (size_t k = 0; k < stored.size(); ++k) {
            if (e.text.exact[k])
                continue;
            const auto typed = static_cast<uint8_t>(stored[k]);
            const uint8_t b = typedStorage[typed];
            differs |= display[b] != typed;
            stored[k] = static_cast<char>(b);
        }
        ++r.replaced;
        r.storedDifferently += differs;
        if (doc.text(target[n]) != stored)
            r.changes.push_back({target[n], std::move(stored)});
    }
    std::sort(r.changes.begin(), r.changes.end(), [](const TextChange& a, const TextChange& b) { return a.index < b.index; });
    return r;
}

}  // namespace zarnik
