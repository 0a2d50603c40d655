// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/encodingdetect.h"

#include "text/cp1251.h"
#include "text/encodings.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>

namespace zarnik {

int ModeForEncoding(Encoding encoding)
{
    if (encoding == Encoding::Buka) return kModeBuka;
    if (encoding == Encoding::Pirate) return kModePirate;
    return kModeOriginal;
}

std::string_view EncodingName(Encoding encoding)
{
    switch (encoding) {
    case Encoding::Buka: return "buka";
    case Encoding::Pirate: return "pirate";
    case Encoding::Windows1251: return "windows-1251";
    case Encoding::None: return "none";
    case Encoding::Mixed: return "mixed";
    }
    return "none";
}

namespace {

// Letters are counted case-blind, "ё" as "е": 32 letters and one symbol for a word's
// edge, so that "which letters start and end words" is learnt with the pairs.
constexpr int kLetters = 32;
constexpr int kEdge = kLetters;
constexpr int kSymbols = kLetters + 1;

// What one byte of a text, as a candidate encoding shows it, is to the reader.
enum class Kind : uint8_t { Separator, Cyrillic, Latin, Junk };

struct ByteClass {
    Kind kind = Kind::Separator;
    int8_t letter = -1;  // Cyrillic letter, or the letter a Latin look-alike stands for
};

int cyrillicIndex(uint8_t b) { return (b - 0xC0) % kLetters; }  // for C0..FF
constexpr int kIe = 5;                                            // "е"

std::array<ByteClass, 256> makeClasses()
{
    std::array<ByteClass, 256> c{};
    for (int b = 0xC0; b <= 0xFF; ++b)
        c[b] = {Kind::Cyrillic, int8_t(cyrillicIndex(uint8_t(b)))};
    c[0xA8] = c[0xB8] = {Kind::Cyrillic, kIe};
    for (int b = 'A'; b <= 'Z'; ++b)
        c[b] = c[b + 0x20] = {Kind::Latin, -1};
    // Latin letters drawn like Cyrillic ones; typists and fonts slip them into Russian
    // words ("Пpивет" with a Latin "p"), where they are read as the letter they mimic.
    const char* upperTwins = "A\xC0" "B\xC2" "C\xD1" "E\xC5" "H\xCD" "K\xCA" "M\xCC"
                             "O\xCE" "P\xD0" "T\xD2" "X\xD5" "Y\xD3";
    for (const char* p = upperTwins; *p; p += 2)
        c[uint8_t(p[0])].letter = int8_t(cyrillicIndex(uint8_t(p[1])));
    const char* lowerTwins = "a\xE0" "c\xF1" "e\xE5" "o\xEE" "p\xF0" "x\xF5" "y\xF3";
    for (const char* p = lowerTwins; *p; p += 2)
        c[uint8_t(p[0])].letter = int8_t(cyrillicIndex(uint8_t(p[1])));
    // Every other byte from 0x80 up that is not punctuation a Russian text uses is what
    // a wrong reading leaves behind: Serbian and Ukrainian letters, signs like "±" "µ".
    for (int b = 0x80; b < 0xC0; ++b)
        if (c[b].kind == Kind::Separator)
            c[b].kind = Kind::Junk;
    for (uint8_t b : {0x82, 0x84, 0x85, 0x8B, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97,
                      0x99, 0x9B, 0xA0, 0xA7, 0xA9, 0xAB, 0xAE, 0xB0, 0xB9, 0xBB})
        c[b].kind = Kind::Separator;  // quotes, dashes, "…", "№", "§", "©", "°", no-break space
    return c;
}

// log P(next | previous) of Russian minus that of letters drawn at random, in nats, for
// every pair of symbols: positive where Russian favours the pair.
struct Model {
    std::array<std::array<float, kSymbols>, kSymbols> gain{};
};

Model makeModel(const std::array<ByteClass, 256>& classes)
{
    const std::string prose = Utf8ToCp1251(RussianProseUtf8());
    std::array<std::array<double, kSymbols>, kSymbols> pairs{};
    std::array<double, kSymbols> singles{};
    int previous = kEdge;
    for (size_t i = 0; i <= prose.size(); ++i) {
        const ByteClass& bc = classes[i < prose.size() ? uint8_t(prose[i]) : uint8_t(' ')];
        const int symbol = bc.kind == Kind::Cyrillic ? bc.letter : kEdge;
        if (symbol == kEdge && previous == kEdge)
            continue;
        pairs[previous][symbol] += 1;
        singles[symbol] += 1;
        previous = symbol;
    }
    double all = 0;
    for (double s : singles)
        all += s;
    // Pairs the prose happens not to hold fall back on the letter's own frequency, more
    // so after a rare letter, whose pairs the prose has seen less often.
    constexpr double kTrustAfter = 25;
    Model m;
    for (int a = 0; a < kSymbols; ++a) {
        double fromA = 0;
        for (double n : pairs[a])
            fromA += n;
        const double weight = fromA / (fromA + kTrustAfter);
        for (int b = 0; b < kSymbols; ++b) {
            const double single = (singles[b] + 1) / (all + kSymbols);
            const double pair = fromA > 0 ? pairs[a][b] / fromA : 0;
            const double p = weight * pair + (1 - weight) * single;
            m.gain[a][b] = float(std::log(p * kSymbols));
        }
    }
    return m;
}

struct Detector {
    std::array<ByteClass, 256> classes = makeClasses();
    Model model = makeModel(classes);
};

const Detector& detector()
{
    static const Detector d;
    return d;
}

// A sign no Russian text holds ("±", "µ", "Ђ") costs more than a well-placed letter
// gains (about 1 to 2): wrong readings of Buka capitals and Pirate letters are full of them.
constexpr double kJunkCost = 3;
// A text reads as Russian when its best reading gains this much, and as one encoding
// rather than another when that reading leads the next by the margin.
constexpr double kRussianAtLeast = 0.5;
constexpr double kMargin = 2.5;

// How Russian a text looks when its bytes are shown through `show`.
struct Reading {
    bool possible = false;  // the encoding would change some byte (or is the plain one)
    double score = 0;
    int russianLetters = 0;
    int ownLetters = 0;  // Russian letters the encoding itself made from its bytes
    int latinLetters = 0;

    // An encoding explains a text only if it made most of the letters read: a Windows-1251
    // text whose dash and ellipsis turn into Pirate letters is not a Pirate text.
    bool russian() const
    {
        return possible && russianLetters > 0 && score >= kRussianAtLeast &&
               2 * ownLetters > russianLetters && 3 * russianLetters >= latinLetters;
    }
};

class Reader {
public:
    explicit Reader(const Detector& d) : d_(d) {}

    // `own` says which stored bytes the encoding turns into letters of its own.
    Reading read(std::string_view text, const uint8_t* show, bool (*own)(uint8_t))
    {
        r_ = Reading{};
        r_.possible = true;
        word_.clear();
        ownInWord_ = 0;
        for (char ch : text) {
            const ByteClass& bc = d_.classes[show[uint8_t(ch)]];
            if (bc.kind == Kind::Cyrillic || bc.kind == Kind::Latin) {
                word_.push_back(bc);
                ownInWord_ += bc.kind == Kind::Cyrillic && own(uint8_t(ch));
                continue;
            }
            endWord();
            if (bc.kind == Kind::Junk)
                r_.score -= kJunkCost;
        }
        endWord();
        return r_;
    }

private:
    void endWord()
    {
        if (word_.empty())
            return;
        int cyrillic = 0, latin = 0;
        bool foreign = false;  // a Latin letter with no Cyrillic twin
        for (const ByteClass& bc : word_) {
            if (bc.kind == Kind::Cyrillic)
                ++cyrillic;
            else {
                ++latin;
                foreign = foreign || bc.letter < 0;
            }
        }
        if (cyrillic == 0 || foreign) {
            // A Latin word, or one with stray letters from a wrong reading ("GrЦЯe"):
            // not Russian, and too much of it outweighs the Russian words of the text.
            r_.latinLetters += latin;
        } else {
            const auto& gain = d_.model.gain;
            int previous = kEdge;
            for (const ByteClass& bc : word_) {
                r_.score += gain[previous][bc.letter];
                previous = bc.letter;
            }
            r_.score += gain[previous][kEdge];
            r_.russianLetters += int(word_.size());
            r_.ownLetters += ownInWord_;
        }
        word_.clear();
        ownInWord_ = 0;
    }

    const Detector& d_;
    Reading r_;
    std::vector<ByteClass> word_;
    int ownInWord_ = 0;
};

enum Candidate { kBuka, kPirate, kPlain, kCandidates };

struct TextReadings {
    std::array<Reading, kCandidates> reading;
    TextEncoding verdict = TextEncoding::None;
};

TextReadings readText(std::string_view text, Reader& reader)
{
    TextReadings t;
    if (std::none_of(text.begin(), text.end(), [](char c) { return uint8_t(c) >= 0x80; }))
        return t;
    // The icon marker ("l!", "z!") is Latin and says nothing about the encoding.
    if (text.size() > 2 && text[1] == '!' && uint8_t(text[0]) < 0x80)
        text.remove_prefix(2);
    // An encoding that would leave every byte as it is explains nothing the plain
    // reading does not, and must not win a tie with it.
    if (IsBukaText(text))
        t.reading[kBuka] = reader.read(text, BukaToDisplayTable(), [](uint8_t b) {
            return IsBukaText(std::string_view(reinterpret_cast<const char*>(&b), 1));
        });
    if (IsPirateText(text))
        t.reading[kPirate] = reader.read(text, PirateToDisplayTable(),
                                         [](uint8_t b) { return b >= 0x80 && b <= 0xA0; });
    t.reading[kPlain] = reader.read(text, DisplayTableFor(kModeOriginal),
                                    [](uint8_t b) { return b >= 0x80; });

    int best = -1, second = -1;
    for (int c = 0; c < kCandidates; ++c) {
        if (!t.reading[c].russian())
            continue;
        if (best < 0 || t.reading[c].score > t.reading[best].score) {
            second = best;
            best = c;
        } else if (second < 0 || t.reading[c].score > t.reading[second].score) {
            second = c;
        }
    }
    if (best < 0)
        t.verdict = TextEncoding::None;
    else if (second >= 0 && t.reading[best].score - t.reading[second].score < kMargin)
        t.verdict = TextEncoding::Unsure;
    else
        t.verdict = best == kBuka     ? TextEncoding::Buka
                    : best == kPirate ? TextEncoding::Pirate
                                      : TextEncoding::Windows1251;
    return t;
}

}  // namespace

TextEncoding DetectTextEncoding(std::string_view text)
{
    Reader reader(detector());
    return readText(text, reader).verdict;
}

namespace {

// `textAt(i)` gives text i of `count`. Texts that are one string in memory (keys sharing a
// string in the file) are read once and counted for every key: a file whose many keys
// point at one long string costs that string's reading, not that times the keys.
template <typename TextAt>
EncodingVerdict detectOver(size_t count, const TextAt& textAt)
{
    std::vector<uint32_t> order(count);
    for (size_t i = 0; i < count; ++i)
        order[i] = static_cast<uint32_t>(i);
    const auto identity = [&](uint32_t i) {
        const std::string_view t = textAt(i);
        return std::pair(reinterpret_cast<uintptr_t>(t.data()), t.size());
    };
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) { return identity(a) < identity(b); });
    Reader reader(detector());
    std::array<size_t, kCandidates> votes{};
    // Texts too short to tell apart still add up: their scores are pooled, and decide
    // the file when no text alone could.
    std::array<double, kCandidates> unsureScore{};
    size_t none = 0, unsure = 0;
    for (size_t k = 0, next = 0; k < count; k = next) {
        for (next = k + 1; next < count && identity(order[next]) == identity(order[k]);)
            ++next;
        const size_t keys = next - k;
        const TextReadings t = readText(textAt(order[k]), reader);
        switch (t.verdict) {
        case TextEncoding::None: none += keys; break;
        case TextEncoding::Buka: votes[kBuka] += keys; break;
        case TextEncoding::Pirate: votes[kPirate] += keys; break;
        case TextEncoding::Windows1251: votes[kPlain] += keys; break;
        case TextEncoding::Unsure:
            unsure += keys;
            for (int c = 0; c < kCandidates; ++c)
                if (t.reading[c].russian())
                    unsureScore[c] += t.reading[c].score * static_cast<double>(keys);
            break;
        }
    }
    const auto encodingOf = [](int c) {
        return c == kBuka ? Encoding::Buka : c == kPirate ? Encoding::Pirate : Encoding::Windows1251;
    };
    EncodingVerdict v;
    v.total = count;
    const size_t decided = votes[kBuka] + votes[kPirate] + votes[kPlain];
    if (decided == 0 && unsure == 0) {
        v.encoding = Encoding::None;
        v.supporting = none;
        return v;
    }
    if (decided == 0) {
        const int best = int(std::max_element(unsureScore.begin(), unsureScore.end()) -
                             unsureScore.begin());
        v.encoding = encodingOf(best);
        v.supporting = unsure;
        return v;
    }
    const int best = int(std::max_element(votes.begin(), votes.end()) - votes.begin());
    if (2 * votes[best] > decided) {
        v.encoding = encodingOf(best);
        v.supporting = votes[best];
    } else {
        v.encoding = Encoding::Mixed;
        v.supporting = decided + unsure;
    }
    return v;
}

}  // namespace

EncodingVerdict DetectEncoding(const std::vector<Text>& texts)
{
    return detectOver(texts.size(), [&texts](size_t i) { return std::string_view(texts[i]); });
}

EncodingVerdict DetectEncoding(const GxtDocument& doc)
{
    return detectOver(doc.Count(), [&doc](size_t i) { return doc.text(i); });
}

}  // namespace zarnik
