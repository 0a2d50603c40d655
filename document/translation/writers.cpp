// SPDX-License-Identifier: GPL-3.0-or-later
// PO and TSV written straight into the file, entry by entry: a file of a million entries
// never stands whole in memory, nor does one text's notation, however long.
#include "translation/keymatch.h"
#include "translation/notation.h"
#include "translation/translation.h"

#include "files/safefile.h"
#include "text/encodings.h"

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <functional>
#include <optional>
#include <vector>

namespace zarnik {

namespace {

using notation::appendByteEscape;
using notation::kClose;
using notation::kOpen;

using Emit = std::function<void(std::string_view)>;

// Bytes gathered and handed on in pieces of about kChunk.
class Sink {
public:
    explicit Sink(const Emit& emit) : emit_(emit) { out.reserve(kChunk + 4096); }
    std::string out;
    void flushIfFull()
    {
        if (out.size() >= kChunk) {
            emit_(out);
            out.clear();
            ++flushes;
        }
    }
    size_t flushes = 0;
    void finish()
    {
        emit_(out);
        out.clear();
    }

private:
    static constexpr size_t kChunk = 1 << 18;
    const Emit& emit_;
};

// --- PO strings laid out as gettext's writer lays them out ---
//
// Readers do not care where a long string is cut, but translators compare files, and
// msgcat, msgmerge and the editors they use rewrite every string the way GNU gettext
// writes it: cut after each line break, and longer lines wrapped to 79 columns at the
// places Unicode's line-breaking rules (UAX #14, as libunistring applies them) allow.
// Writing the same layout keeps their output identical to ours. The rules are kept here
// for the characters these files hold: Windows-1251, the escape brackets, ASCII. Only a
// file name in the header can bring others (CJK, say); they are taken as letters one
// column wide, so such a name may be cut elsewhere than gettext would cut it, which no
// reader minds.

// Line-breaking classes (of UAX #14) of those characters; PO and SY behave as PR and IS
// between them, and AI and unknown characters are AL outside East Asian encodings.
enum Cls : uint8_t { kEX, kQU, kAL, kPR, kOP, kCP, kIS, kHY, kNU, kBA, kCL, kIN, kB2, kGL, kSP, kBK };

// Whether a line may break between two classes: D directly, I only after spaces, P never.
enum : uint8_t { D, I, P };
constexpr uint8_t kPair[14][14] = {
    //        EX QU AL PR OP CP IS HY NU BA CL IN B2 GL
    /* EX */ {P, I, D, D, D, P, P, I, D, I, P, I, D, I},
    /* QU */ {P, I, I, I, P, P, P, I, I, I, P, I, I, I},
    /* AL */ {P, I, I, I, I, P, P, I, I, I, P, I, D, I},
    /* PR */ {P, I, I, D, I, P, P, I, I, I, P, I, D, I},
    /* OP */ {P, P, P, P, P, P, P, P, P, P, P, P, P, P},
    /* CP */ {P, I, I, I, D, P, P, I, I, I, P, I, D, I},
    /* IS */ {P, I, D, D, D, P, P, I, I, I, P, I, D, I},
    /* HY */ {P, I, D, D, D, P, P, I, I, I, P, I, D, D},
    /* NU */ {P, I, I, I, I, P, P, I, I, I, P, I, D, I},
    /* BA */ {P, I, D, D, D, P, P, I, D, I, P, I, D, D},
    /* CL */ {P, I, D, I, D, P, P, I, D, I, P, I, D, I},
    /* IN */ {P, I, D, D, D, P, P, I, D, I, P, I, D, I},
    /* B2 */ {P, I, D, D, D, P, P, I, D, I, P, I, P, I},
    /* GL */ {P, I, I, I, I, P, P, I, I, I, P, I, I, I},
};

Cls classOf(char32_t c)
{
    if (c < 0x80) {
        if (c >= '0' && c <= '9')
            return kNU;
        switch (c) {
        case ' ': return kSP;
        case '!': case '?': return kEX;
        case '"': case '\'': return kQU;
        case '$': case '%': case '+': case '\\': return kPR;
        case '(': case '[': case '{': return kOP;
        case ')': case ']': return kCP;
        case ',': case '.': case '/': case ':': case ';': return kIS;
        case '-': return kHY;
        case '|': case '\t': return kBA;
        case '}': return kCL;
        default: return kAL;
        }
    }
    switch (c) {
    case 0x00A0: return kGL;
    case 0x00AB: case 0x00BB: case 0x2018: case 0x2019: case 0x201C: case 0x201D: case 0x2039: case 0x203A:
        return kQU;
    case 0x00A4: case 0x00B0: case 0x00B1: case 0x2030: case 0x20AC: case 0x2116: return kPR;
    case 0x00AD: case 0x2013: return kBA;
    case 0x2014: return kB2;
    case 0x201A: case 0x201E: case 0x27E6: return kOP;
    case 0x27E7: return kCL;
    case 0x2026: return kIN;
    default: return kAL;
    }
}

// One character of a string as written between the quotes: up to four columns' worth of
// units (an escape "\n" is two, a byte escape four), each with its class and width.
struct Piece {
    char bytes[12];
    uint8_t size = 0;
    uint8_t units = 0;
    Cls cls[4];
    uint8_t width[4];
    bool lineBreak = false; // a line break: the string's line ends after it

    void add(std::string_view utf8, char32_t c)
    {
        for (char b : utf8)
            bytes[size++] = b;
        cls[units] = classOf(c);
        width[units] = c == 0x00AD ? 0 : 1;  // a soft hyphen takes no column
        ++units;
    }
};

// The UTF-8 character at `i`, or -1 (one byte) for a malformed one.
char32_t nextChar(std::string_view s, size_t& i)
{
    const auto b0 = static_cast<uint8_t>(s[i]);
    if (b0 < 0x80) {
        ++i;
        return b0;
    }
    const int extra = b0 >= 0xF8 ? -1 : b0 >= 0xF0 ? 3 : b0 >= 0xE0 ? 2 : b0 >= 0xC0 ? 1 : -1;
    if (extra < 0 || i + extra >= s.size()) {
        ++i;
        return char32_t(-1);
    }
    char32_t c = b0 & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<uint8_t>(s[i + k]);
        if ((b & 0xC0) != 0x80) {
            ++i;
            return char32_t(-1);
        }
        c = c << 6 | (b & 0x3F);
    }
    i += extra + 1;
    return c;
}

// A character as gettext writes it inside quotes: the C escapes for control characters
// it knows, a backslash before a quote or a backslash, the rest as it is.
Piece pieceOf(std::string_view utf8, char32_t c)
{
    Piece p;
    char letter = 0;
    switch (c) {
    case '\a': letter = 'a'; break;
    case '\b': letter = 'b'; break;
    case '\f': letter = 'f'; break;
    case '\n': letter = 'n'; break;
    case '\r': letter = 'r'; break;
    case '\t': letter = 't'; break;
    case '\v': letter = 'v'; break;
    case '"': letter = '"'; break;
    case '\\': letter = '\\'; break;
    default: break;
    }
    if (letter) {
        p.add("\\", '\\');
        const char l[1] = {letter};
        p.add(std::string_view(l, 1), static_cast<unsigned char>(letter));
        p.lineBreak = c == '\n';
    } else {
        p.add(utf8, c);
    }
    return p;
}

Piece escapePiece(uint8_t b)
{
    Piece p;
    const char hex[2] = {notation::kHex[b >> 4], notation::kHex[b & 15]};
    p.add(kOpen, 0x27E6);
    p.add(std::string_view(hex, 1), static_cast<unsigned char>(hex[0]));
    p.add(std::string_view(hex + 1, 1), static_cast<unsigned char>(hex[1]));
    p.add(kClose, 0x27E7);
    return p;
}

// Any UTF-8 text (a key, a header line) as pieces; a malformed byte is written as U+FFFD,
// so that the file stays UTF-8.
void piecesOf(std::string_view utf8, std::vector<Piece>& pieces)
{
    pieces.clear();
    for (size_t i = 0; i < utf8.size();) {
        const size_t at = i;
        const char32_t c = nextChar(utf8, i);
        if (c == char32_t(-1))
            pieces.push_back(pieceOf("\xEF\xBF\xBD", 0xFFFD));
        else
            pieces.push_back(pieceOf(utf8.substr(at, i - at), c));
    }
}

// `text` with every malformed UTF-8 byte replaced by U+FFFD.
std::string wellFormed(std::string_view text)
{
    std::string out;
    for (size_t i = 0; i < text.size();) {
        const size_t at = i;
        out += nextChar(text, i) == char32_t(-1) ? std::string_view("\xEF\xBF\xBD") : text.substr(at, i - at);
    }
    return out;
}

constexpr int kLineWidth = 77;  // 79 columns less the two quotes

// Fills one line-break-delimited part of a string, pieces [begin, end), into lines of
// kLineWidth columns, the first starting at column `start`: calls `cut(k)` for every piece
// k a new line starts at, in order. With `firstOnly`, stops at the first such piece.
// Returns whether any line was cut.
template <typename PieceAt, typename Cut>
bool fillLines(const PieceAt& pieceAt, size_t begin, size_t end, int start, bool firstOnly, const Cut& cut)
{
    constexpr size_t none = size_t(-1);
    uint8_t last = kBK;
    bool space = false;
    size_t opening = none;  // the last place a line could start
    long column = start, width = 0;
    bool any = false;
    for (size_t k = begin; k < end; ++k) {
        const Piece& p = pieceAt(k);
        const bool finalBreak = p.lineBreak && k + 1 == end;
        for (uint8_t u = 0; u < p.units; ++u) {
            const Cls c = p.cls[u];
            bool possible = false;
            if (c == kSP) {
                space = true;
            } else {
                if (last != kBK) {
                    const uint8_t rule = kPair[last][c];
                    possible = rule == D || (rule == I && space);
                }
                last = c;
                space = false;
            }
            // A line starts only at a piece's first unit: never between the backslash and
            // the letter of an escape (nor inside a byte escape, which the rules forbid
            // anyway), and never before the "\n" that ends the part.
            if (possible && u == 0 && !finalBreak) {
                if (opening != none && column + width > kLineWidth) {
                    any = true;
                    cut(opening);
                    if (firstOnly)
                        return true;
                    column = 0;
                }
                opening = k;
                column += width;
                width = 0;
            }
            width += p.width[u];
        }
    }
    if (opening != none && column + width > kLineWidth) {
        any = true;
        cut(opening);
    }
    return any;
}

// Writes `keyword "value"` for the value given as pieces, as gettext lays it out: a
// value of several lines, or one that wraps, starts with an empty string on the
// keyword's line.
template <typename PieceAt>
void writePoString(Sink& sink, std::string_view keyword, size_t count, const PieceAt& pieceAt)
{
    std::string& out = sink.out;
    const auto emit = [&](size_t from, size_t to) {
        // A thousand pieces at a time, each copied whole (all 12 bytes) and the end moved
        // on by its size.
        while (from < to) {
            const size_t n = std::min<size_t>(to - from, 1024);
            const size_t at = out.size();
            out.resize(at + n * sizeof(Piece::bytes));
            char* w = out.data() + at;
            for (size_t k = from; k < from + n; ++k) {
                const Piece& p = pieceAt(k);
                std::memcpy(w, p.bytes, sizeof p.bytes);
                w += p.size;
            }
            out.resize(static_cast<size_t>(w - out.data()));
            from += n;
            sink.flushIfFull();
        }
    };
    out += keyword;
    if (count == 0) {
        out += " \"\"\n";
        return;
    }
    bool firstLine = true;
    for (size_t begin = 0; begin < count;) {
        size_t end = begin;
        size_t columns = 0;
        while (end < count && !pieceAt(end).lineBreak)
            columns += pieceAt(end++).units;
        end = std::min(end + 1, count);
        if (firstLine) {
            firstLine = false;
            const int start = static_cast<int>(keyword.size()) + 1;
            // A line that fits is never cut (units are at most a column each).
            const bool fits = end == count && start + columns + 2 <= size_t(kLineWidth);
            if (end == count && (fits || !fillLines(pieceAt, begin, end, start, true, [](size_t) {}))) {
                out += " \"";
                emit(begin, end);
                out += "\"\n";
                return;
            }
            out += " \"\"\n";
        }
        out += '"';
        size_t done = begin;
        fillLines(pieceAt, begin, end, 0, false, [&](size_t at) {
            emit(done, at);
            out += "\"\n\"";
            done = at;
        });
        emit(done, end);
        out += "\"\n";
        sink.flushIfFull();
        begin = end;
    }
}

void writePoString(Sink& sink, std::string_view keyword, std::string_view utf8)
{
    thread_local std::vector<Piece> pieces;
    piecesOf(utf8, pieces);
    writePoString(sink, keyword, pieces.size(), [&](size_t k) -> const Piece& { return pieces[k]; });
}

// The pieces every stored byte is written as in one mode; a text's first and last byte
// differ only where a line break is escaped there.
struct TextPieces {
    std::array<Piece, 256> inside;
    std::array<Piece, 256> edge;

    explicit TextPieces(int mode)
    {
        const uint8_t* display = DisplayTableFor(mode);
        const uint8_t* typedStorage = TypedStorageTableFor(mode);
        for (int b = 0; b < 256; ++b) {
            const uint8_t shown = display[b];
            for (bool atEdge : {false, true}) {
                const notation::Form form =
                    notation::textForm(uint8_t(b), shown, typedStorage, TranslationFormat::Po, atEdge);
                const std::string& utf8 = notation::shownUtf8(shown);
                size_t i = 0;
                (atEdge ? edge : inside)[b] =
                    form == notation::Form::Escape ? escapePiece(uint8_t(b)) : pieceOf(utf8, nextChar(utf8, i));
            }
        }
    }
};

// An empty text is written as the escape for nothing: an empty msgid is the header to
// other tools (polib), and an empty msgstr says "untranslated".
const std::vector<Piece>& emptyTextPieces()
{
    static const std::vector<Piece> pieces = [] {
        std::vector<Piece> p;
        piecesOf("\xE2\x9F\xA6\xE2\x9F\xA7", p);
        return p;
    }();
    return pieces;
}

void writePoText(Sink& sink, std::string_view keyword, std::string_view stored, const TextPieces& table)
{
    if (stored.empty()) {
        const auto& pieces = emptyTextPieces();
        writePoString(sink, keyword, pieces.size(), [&](size_t k) -> const Piece& { return pieces[k]; });
        return;
    }
    const size_t last = stored.size() - 1;
    writePoString(sink, keyword, stored.size(), [&](size_t k) -> const Piece& {
        const auto b = static_cast<uint8_t>(stored[k]);
        return k == 0 || k == last ? table.edge[b] : table.inside[b];
    });
}

// What a text was written as most recently, by where its bytes are: keys that share a
// string share the place, and writing the string once serves them all. Long texts are not
// kept, nor more than `budget` bytes in all (held for every key, they would take more
// memory than the file); writing them again costs no more than writing what they add to
// the file.
class WrittenCache {
public:
    explicit WrittenCache(uint64_t budget) : budget_(budget) {}
    const std::string* find(std::string_view stored) const
    {
        const Slot& s = slots_[slotOf(stored)];
        return s.data == stored.data() && s.size == stored.size() && s.used ? &s.written : nullptr;
    }
    void keep(std::string_view stored, std::string_view written)
    {
        Slot& s = slots_[slotOf(stored)];
        if (stored.size() > kLongest || held_ - s.written.size() + written.size() > budget_)
            return;
        held_ = held_ - s.written.size() + written.size();
        s.data = stored.data();
        s.size = stored.size();
        s.used = true;
        s.written.assign(written);
    }

private:
    static constexpr size_t kLongest = 256, kSlots = 1024;
    struct Slot {
        const char* data = nullptr;
        size_t size = 0;
        bool used = false;
        std::string written;
    };
    static size_t slotOf(std::string_view s)
    {
        const auto p = reinterpret_cast<uintptr_t>(s.data());
        return ((p >> 3) ^ (p >> 13) ^ s.size()) % kSlots;
    }
    std::vector<Slot> slots_ = std::vector<Slot>(kSlots);
    uint64_t budget_;
    uint64_t held_ = 0;
};

// Writes `keyword "text"` for a stored text, through the cache.
void writeCachedText(Sink& sink, WrittenCache& cache, std::string_view keyword, std::string_view stored,
                     const TextPieces& table)
{
    if (const std::string* written = cache.find(stored)) {
        sink.out += *written;
        return;
    }
    const size_t at = sink.out.size(), flushes = sink.flushes;
    writePoText(sink, keyword, stored, table);
    if (sink.flushes == flushes)
        cache.keep(stored, std::string_view(sink.out).substr(at));
}

void writeComment(std::string& out, std::string_view prefix, std::string_view text)
{
    // One comment line per line of the text, as gettext splits them.
    while (!text.empty()) {
        const size_t nl = text.find('\n');
        const std::string_view line = text.substr(0, nl);
        out += prefix;
        if (!line.empty()) {
            out += ' ';
            out += line;
        }
        out += '\n';
        if (nl == std::string_view::npos)
            break;
        text.remove_prefix(nl + 1);
    }
}

std::string languageCode(char letter)
{
    switch (letter) {
    case 'E': return "en";
    case 'F': return "fr";
    case 'G': return "de";
    case 'I': return "it";
    case 'S': return "es";
    case 'J': return "ja";
    case 'R': return "ru";
    default: return {};
    }
}

std::string nowStamp()
{
    const std::time_t t = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    gmtime_s(&tm, &t);
#else
    gmtime_r(&t, &tm);
#endif
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M+0000", &tm);
    return buf;
}

std::string headerText(const GxtDocument& doc, int mode, const std::string& fileName)
{
    std::string h = "Project-Id-Version: " + fileName + "\n"
                    "PO-Revision-Date: " + nowStamp() + "\n"
                    "Last-Translator: \n"
                    "Language-Team: \n";
    const std::string language = languageCode(doc.languageLetter());
    if (!language.empty())
        h += "Language: " + language + "\n";
    h += "MIME-Version: 1.0\n"
         "Content-Type: text/plain; charset=UTF-8\n"
         "Content-Transfer-Encoding: 8bit\n"
         "X-Zarnik-Mode: " + std::string(ModeName(mode)) + "\n";
    return h;
}

// A key as a "#:" reference, which tools that drop msgctxt (translate-toolkit's CSV) keep:
// the key notation, with what a PO reader could take for something else percent-encoded
// (a leading "./" too, which gettext's tools drop), and the empty key as "⟦⟧" (an escape
// for nothing), since a reference cannot be empty.
void appendKeyReference(std::string& out, std::string_view notation)
{
    if (notation.empty()) {
        out += "\xE2\x9F\xA6\xE2\x9F\xA7";
        return;
    }
    for (size_t i = 0; i < notation.size(); ++i) {
        const char c = notation[i];
        const auto b = static_cast<uint8_t>(c);
        const bool plain = b >= 0x80 || std::isalnum(b) ||
                           std::string_view("_-.#!$&'()*,;=@^`{|}~[]/").find(c) != std::string_view::npos;
        const bool dotSlash = i == 0 && notation.substr(0, 2) == "./";
        if (!plain || dotSlash) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", b);
            out += buf;
        } else {
            out += c;
        }
    }
}

}  // namespace

void WritePo(const GxtDocument& doc, int mode, const GxtDocument* source, int sourceMode, bool templateOnly,
             const std::string& fileName, const Emit& emit, SourceComparison* comparison)
{
    Sink sink(emit);
    std::string& out = sink.out;
    // The file name is only information here: a name that is not UTF-8 is written with
    // replacement characters rather than making the file unreadable.
    const std::string name = wellFormed(fileName);
    writeComment(out, "#", name + ", тексты в режиме " + ModeName(mode) + ".\n"
                           "\xE2\x9F\xA6HH\xE2\x9F\xA7 \xE2\x80\x94 байт, сохранённый как есть: оставьте его на месте; "
                           "\xE2\x9F\xA6\xE2\x9F\xA7 \xE2\x80\x94 пустой текст.\n");
    writePoString(sink, "msgid", "");
    writePoString(sink, "msgstr", headerText(doc, mode, name));

    const KeyMatch match = source ? MatchKeys(doc.keys, source->keys) : KeyMatch{};
    const TextPieces own(mode);
    const std::optional<TextPieces> theirs = source ? std::optional<TextPieces>(sourceMode) : std::nullopt;
    // Each cache within the size of the texts it serves, and a little for small files.
    const uint64_t ownBudget = doc.textBytesHeld() + 65536;
    WrittenCache ownAsMsgid(ownBudget), ownAsMsgstr(ownBudget),
        sourceAsMsgid(source ? source->textBytesHeld() + 65536 : 0);

    const KeyIndex index(doc.keys);
    for (size_t i = 0; i < doc.keys.size(); ++i) {
        const std::string key = KeyNotation(doc.keys[i].name, index.occurrence(i), TranslationFormat::Po);
        const std::string_view text = doc.text(i);
        out += '\n';
        const size_t found = source ? match.sourceOf[i] : KeyMatch::npos;
        if (source && found == KeyMatch::npos) {
            out += "#. Нет в исходном файле.\n";
            if (comparison)
                comparison->onlyInFile.push_back(key);
        }
        out += "#: ";
        appendKeyReference(out, key);
        out += '\n';
        writePoString(sink, "msgctxt", key);
        if (!source) {
            writeCachedText(sink, ownAsMsgid, "msgid", text, own);
            out += "msgstr \"\"\n";
        } else {
            if (found != KeyMatch::npos)
                writeCachedText(sink, sourceAsMsgid, "msgid", source->text(found), *theirs);
            else
                writeCachedText(sink, ownAsMsgid, "msgid", text, own);
            if (templateOnly)
                out += "msgstr \"\"\n";
            else
                writeCachedText(sink, ownAsMsgstr, "msgstr", text, own);
        }
        sink.flushIfFull();
    }
    if (source && comparison && !match.unmatchedSource.empty()) {
        const KeyIndex sourceIndex(source->keys);
        for (size_t i : match.unmatchedSource)
            comparison->onlyInSource.push_back(
                KeyNotation(source->keys[i].name, sourceIndex.occurrence(i), TranslationFormat::Po));
    }
    sink.finish();
}

std::string BuildPo(const GxtDocument& doc, int mode, const GxtDocument* source, int sourceMode,
                    bool templateOnly, const std::string& fileName, SourceComparison* comparison)
{
    std::string all;
    WritePo(doc, mode, source, sourceMode, templateOnly, fileName, [&all](std::string_view piece) { all += piece; },
            comparison);
    return all;
}

// --- TSV ---

namespace {

// Whether a spreadsheet that opens the TSV would read this field as something other than
// text: a formula (Excel takes "+", "-" and "@" for one too), a number, a date, a time,
// an amount, a truth value. Over-cautious on purpose: protecting a field costs one escape.
// `complete`: the field is whole, not its beginning; nothing when the beginning cannot tell.
std::optional<bool> spreadsheetWouldConvert(std::string_view field, bool complete = true)
{
    if (field.empty())
        return complete ? std::optional<bool>(false) : std::nullopt;
    if (std::string_view("=+-@").find(field[0]) != std::string_view::npos)
        return true;
    if (field.size() <= 12 && complete) {
        std::string lower(field);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        for (std::string_view truth : {"true", "false", "ИСТИНА", "ЛОЖЬ", "истина", "ложь"})
            if (lower == truth)
                return true;
    }
    bool digit = false;
    for (size_t i = 0; i < field.size();) {
        const char c = field[i];
        if (c >= '0' && c <= '9') {
            digit = true;
        } else if (std::string_view(" .,:/-+%$()eE'").find(c) == std::string_view::npos) {
            // Amounts in roubles, euros and pounds convert as well.
            bool currency = false;
            for (std::string_view sign : {"\xE2\x82\xBD", "\xE2\x82\xAC", "\xC2\xA3", "\xC2\xA0"})
                if (field.substr(i, sign.size()) == sign) {
                    currency = true;
                    i += sign.size();
                    break;
                }
            if (!currency)
                return false;
            continue;
        }
        ++i;
    }
    if (!complete)
        return std::nullopt;
    return digit;
}

// A field as written into the TSV: a field a spreadsheet would convert gets its first
// byte as an escape (which stores the same byte), and a field holding a quote is quoted
// the way spreadsheets quote, so that they read it back as it stands.
void appendTsvField(std::string& out, std::string notation, uint8_t firstByte)
{
    if (*spreadsheetWouldConvert(notation)) {
        size_t first = 1;
        while (first < notation.size() && (static_cast<uint8_t>(notation[first]) & 0xC0) == 0x80)
            ++first;
        std::string escaped;
        appendByteEscape(escaped, firstByte);
        notation.replace(0, first, escaped);
    }
    if (notation.find('"') == std::string::npos) {
        out += notation;
        return;
    }
    out += '"';
    for (char c : notation) {
        if (c == '"')
            out += '"';
        out += c;
    }
    out += '"';
}

// What each stored byte is written as inside a TSV text, in one mode: at most 8 bytes.
struct TsvPieces {
    struct Written {
        char bytes[8];
        uint8_t size = 0;
        std::string_view view() const { return {bytes, size}; }
    };
    std::array<Written, 256> written;
    std::array<bool, 256> quote{};  // a quote, doubled inside a quoted field

    explicit TsvPieces(int mode)
    {
        const uint8_t* display = DisplayTableFor(mode);
        const uint8_t* typedStorage = TypedStorageTableFor(mode);
        for (int b = 0; b < 256; ++b) {
            const uint8_t shown = display[b];
            std::string w;
            switch (notation::textForm(uint8_t(b), shown, typedStorage, TranslationFormat::Tsv, false)) {
            case notation::Form::Escape: appendByteEscape(w, uint8_t(b)); break;
            case notation::Form::Backslash: w = {'\\', notation::tsvBackslashLetter(shown)}; break;
            case notation::Form::Shown: w = notation::shownUtf8(shown); break;
            }
            quote[b] = w == "\"";
            if (quote[b])
                w = "\"\"";  // only ever written inside a quoted field
            std::memcpy(written[b].bytes, w.data(), w.size());
            written[b].size = static_cast<uint8_t>(w.size());
        }
    }
};

// A stored text as a TSV field, written piece by piece: the same as appendTsvField on its
// notation, without the notation in memory.
void writeTsvText(Sink& sink, std::string_view stored, const TsvPieces& table)
{
    std::string& out = sink.out;
    const auto writtenAt = [&](size_t k) -> std::string_view {
        const auto b = static_cast<uint8_t>(stored[k]);
        return table.quote[b] ? std::string_view("\"") : table.written[b].view();
    };
    // Enough of the beginning to tell whether a spreadsheet would convert the field.
    constexpr size_t kEnough = 64;
    thread_local std::string beginning;
    beginning.clear();
    for (size_t k = 0; k < stored.size() && k < kEnough; ++k)
        beginning += writtenAt(k);
    std::optional<bool> convert = spreadsheetWouldConvert(beginning, stored.size() <= kEnough);
    if (!convert) {
        // All of the beginning reads as a number: the rest decides.
        std::string all;
        for (size_t k = 0; k < stored.size(); ++k)
            all += writtenAt(k);
        convert = spreadsheetWouldConvert(all);
    }
    bool quoted = false;
    for (size_t k = *convert ? 1 : 0; k < stored.size() && !quoted; ++k)
        quoted = table.quote[static_cast<uint8_t>(stored[k])];
    if (quoted)
        out += '"';
    size_t from = 0;
    if (*convert) {
        appendByteEscape(out, static_cast<uint8_t>(stored[0]));
        from = 1;
    }
    // Four thousand bytes at a time, each written whole (all 8 bytes) and the end moved on
    // by its size.
    while (from < stored.size()) {
        const size_t n = std::min<size_t>(stored.size() - from, 4096);
        const size_t at = out.size();
        out.resize(at + n * 8);
        char* w = out.data() + at;
        for (size_t k = from; k < from + n; ++k) {
            const TsvPieces::Written& piece = table.written[static_cast<uint8_t>(stored[k])];
            std::memcpy(w, piece.bytes, 8);
            w += piece.size;
        }
        out.resize(static_cast<size_t>(w - out.data()));
        from += n;
        sink.flushIfFull();
    }
    if (quoted)
        out += '"';
}

}  // namespace

void WriteTsv(const GxtDocument& doc, int mode, const Emit& emit)
{
    Sink sink(emit);
    std::string& out = sink.out;
    out = "#zarnik-tsv 2 mode=" + std::string(ModeName(mode)) + " language=";
    std::array<char, 8> letter{};
    letter[0] = doc.languageLetter();
    out += letter[0] == '\0' ? "\\0" : KeyNotation(letter, 1, TranslationFormat::Tsv);
    out += '\n';
    const TsvPieces table(mode);
    const KeyIndex index(doc.keys);
    for (size_t i = 0; i < doc.keys.size(); ++i) {
        const auto& name = doc.keys[i].name;
        appendTsvField(out, KeyNotation(name, index.occurrence(i), TranslationFormat::Tsv), static_cast<uint8_t>(name[0]));
        out += '\t';
        writeTsvText(sink, doc.text(i), table);
        out += '\n';
        sink.flushIfFull();
    }
    sink.finish();
}

std::string BuildTsv(const GxtDocument& doc, int mode)
{
    std::string all;
    WriteTsv(doc, mode, [&all](std::string_view piece) { all += piece; });
    return all;
}

SourceComparison ExportTranslation(const GxtDocument& doc, int mode, const GxtDocument* source,
                                   int sourceMode, const std::string& path, TranslationFormat format)
{
    SourceComparison comparison;
    const size_t slash = path.rfind('/');
    const std::string fileName = slash == std::string::npos ? path : path.substr(slash + 1);
    ReplaceFileSafely(
        path,
        [&](const Emit& emit) {
            comparison = {};
            if (format == TranslationFormat::Tsv)
                WriteTsv(doc, mode, emit);
            else
                WritePo(doc, mode, source, sourceMode, format == TranslationFormat::Pot, fileName, emit, &comparison);
        },
        BackupPolicy::None);
    return comparison;
}

}  // namespace zarnik
