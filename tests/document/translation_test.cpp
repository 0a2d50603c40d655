// SPDX-License-Identifier: GPL-3.0-or-later
// Texts out to PO and TSV and back: the escapes, the readers, and applying by key.
#include "text/encodings.h"
#include "gxtbuilder.h"
#include "gxtcorpus.h"
#include "format/gxtdocument.h"
#include "tempdir.h"
#include "translation/translation.h"

#include <gtest/gtest.h>

using namespace zarnik;
using namespace zarnik::testing;
using namespace std::string_literals;

namespace {

const std::string kOpen = "\xE2\x9F\xA6", kClose = "\xE2\x9F\xA7";
std::string esc(const char* hex) { return kOpen + hex + kClose; }

std::array<char, 8> key(std::string_view k)
{
    std::array<char, 8> a{};
    std::copy(k.begin(), k.end(), a.begin());
    return a;
}

std::string problemsOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const TranslationError& e) {
        return e.englishMessage();
    }
    return "(no error)";
}

ApplyResult applyTsv(const GxtDocument& doc, const std::string& tsv, bool useFuzzy = false)
{
    const Translation tr = ParseTsv(tsv, "t.tsv");
    return ApplyTranslation(doc, tr, TranslationMode(tr, std::nullopt, kModeBuka), useFuzzy);
}

// Every text of `doc` once the changes are made.
std::vector<Text> textsAfter(GxtDocument doc, const ApplyResult& r)
{
    for (const TextChange& change : r.changes)
        doc.setText(change.index, change.text);
    return doc.currentTexts();
}

}  // namespace

// Every file of the corpus and long random texts of every byte, in every mode, through PO
// and TSV: applied onto texts wiped beforehand, each text comes back byte for byte; gettext's
// msgfmt accepts every PO written, and msgcat, which rewrites a PO with gettext's own
// layout, gives it back unchanged: our strings are cut where gettext's writer cuts them.
TEST(Translation, EveryTextComesBackThroughPoAndTsv)
{
    TempDir dir;
    std::string written;
    std::vector<std::pair<std::string, std::string>> files = GxtCorpus();
    uint32_t x = 7;
    const auto next = [&x] { return x = x * 1103515245u + 12345u, x >> 8; };
    // Spaces and the characters line breaking treats apart, to wrap long lines every way.
    const std::string breakers = "    !\"'()[]{}-|05%$+/,.:;?aZ\\\t\n\x01\xA0\xAD\xB9\x96\x97\x85\xAB\xBB\x84\x93\x88\x89\xB0\xB1\x8B";
    for (int f = 0; f < 4; ++f) {
        GxtBuilder b('R');
        for (int k = 0; k < 200; ++k) {
            std::string text(next() % 300, ' ');
            for (char& c : text)
                c = f % 2 ? breakers[next() % breakers.size()] : next() % 5 == 0 ? ' ' : static_cast<char>(1 + next() % 255);
            b.add(k % 9 ? "k" + std::to_string(k) : std::string("\"x\\") + static_cast<char>(next() % 256), text);
        }
        files.emplace_back("random" + std::to_string(f), b.build());
    }
    for (const auto& [name, bytes] : files) {
        const GxtDocument doc = ParseGxt(bytes, name);
        GxtDocument wiped = doc;
        for (size_t i = 0; i < doc.Count(); ++i)
            wiped.setText(i, "?");
        for (int mode : {kModeOriginal, kModePirate, kModeBuka}) {
            const std::string what = name + " " + ModeName(mode);
            const std::string po = dir.file(name + "-" + ModeName(mode) + ".po");
            WriteFileBytes(po, BuildPo(doc, mode, &doc, mode, false, name));
            written += " '" + po + "'";
            Translation fromPo = ReadPoFile(po);
            Translation fromTsv = ParseTsv(BuildTsv(doc, mode), "t.tsv");
            for (Translation* tr : {&fromPo, &fromTsv}) {
                EXPECT_EQ(tr->mode, mode) << what;
                // Saving would cut the corpus's one text with a zero byte inside: it is refused.
                EXPECT_EQ(tr->problems.size(), name == "units" ? 1u : 0u) << what;
                for (const TranslationProblem& p : tr->problems)
                    EXPECT_NE(p.english.find("a zero byte inside a text"), std::string::npos) << what << " " << p.english;
                tr->problems.clear();
                const ApplyResult r = ApplyTranslation(wiped, *tr, mode, false);
                const std::vector<Text> texts = textsAfter(wiped, r);
                EXPECT_TRUE(r.storedDifferently.empty()) << what;
                for (size_t i = 0; i < doc.Count(); ++i) {
                    const bool refused = doc.keys[i].shownName() == "zero" && name == "units";
                    EXPECT_EQ(texts[i], refused ? "?" : std::string(doc.text(i))) << what << " entry " << i;
                }
            }
        }
    }
#ifndef _WIN32  // no gettext tools under Wine; the Linux run checks the same files
    const std::string check =
        "for f in" + written + "; do msgfmt --check -o /dev/null \"$f\" && msgcat --force-po \"$f\" | cmp - \"$f\" || exit 1; done";
    EXPECT_EQ(std::system(check.c_str()), 0);
#endif
}

TEST(Translation, EscapesOnlyWhatTheModeOrFormatCannotCarry)
{
    // Readable where the mode reads the bytes; exact escapes where it would store others.
    EXPECT_EQ(TextNotation(BukaText("Привет, ёж"), kModeBuka, TranslationFormat::Po), "Привет, Гж");  // ё is Buka Г
    EXPECT_EQ(TextNotation(PirateText("ПРИВЕТ"), kModePirate, TranslationFormat::Po), "ПРИВЕТ");
    EXPECT_EQ(TextNotation("\xEF\xF0", kModePirate, TranslationFormat::Po), esc("EF") + esc("F0"));  // "пр": no lower case
    EXPECT_EQ(TextNotation("\xB8\xA8", kModeOriginal, TranslationFormat::Tsv), esc("B8") + esc("A8"));  // "ёЁ" would fold
    EXPECT_EQ(TextNotation("\xB8", kModeBuka, TranslationFormat::Tsv), "Г");  // Buka "Г", not "ё"
    // The format's own needs: TSV takes list's escapes, PO keeps line breaks off the ends.
    EXPECT_EQ(TextNotation("a\tb\\c\0\r\n\x01\x98"s, kModeOriginal, TranslationFormat::Tsv),
              "a\\tb\\\\c\\0\\r\\n" + esc("01") + esc("98"));
    EXPECT_EQ(TextNotation("\nx\ty\nz\n", kModeOriginal, TranslationFormat::Po), esc("0A") + "x\ty\nz" + esc("0A"));
    EXPECT_EQ(TextNotation("a\0b"s, kModeBuka, TranslationFormat::Po), "a" + esc("00") + "b");

    // Keys: all 8 bytes up to the last non-zero one, and which of several equal keys.
    EXPECT_EQ(KeyNotation(key("B25\0rcy"s), 1, TranslationFormat::Po), "B25" + esc("00") + "rcy");
    EXPECT_EQ(KeyNotation(key("B25\0rcy"s), 1, TranslationFormat::Tsv), "B25\\0rcy");
    EXPECT_EQ(KeyNotation(key(""), 1, TranslationFormat::Po), "");
    EXPECT_EQ(KeyNotation(key("twice"), 3, TranslationFormat::Tsv), "twice" + kOpen + "#3" + kClose);

    std::vector<TranslationProblem> problems;
    std::array<char, 8> k{};
    unsigned occurrence = 0;
    EXPECT_TRUE(DecodeKey("B25\\0rcy" + kOpen + "#2" + kClose, true, 7, k, occurrence, problems));
    EXPECT_EQ(k, key("B25\0rcy"s));
    EXPECT_EQ(occurrence, 2u);
    // Whatever repeat a file can hold reads back as written, up to the largest key table.
    for (const unsigned n : {99999u, 100000u, 357913941u})
        for (const TranslationFormat f : {TranslationFormat::Po, TranslationFormat::Tsv}) {
            EXPECT_TRUE(DecodeKey(KeyNotation(key("twice"), n, f), f == TranslationFormat::Tsv, 7, k, occurrence,
                                  problems)) << n;
            EXPECT_EQ(occurrence, n);
        }
    for (const std::string& bad : std::vector<std::string>{"123456789", "a" + kOpen + "#1" + kClose, "a" + kOpen + "#2" + kClose + "b", kOpen + "4" + kClose})
        EXPECT_FALSE(DecodeKey(bad, true, 7, k, occurrence, problems)) << bad;
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_EQ(problems[0].english, "key \"123456789\" is longer than 8 bytes");
    EXPECT_EQ(problems[0].line, 7u);
}

TEST(Translation, AppliedTextsAreStoredAsTypedTextAndCounted)
{
    const GxtDocument doc = ParseGxt(GxtBuilder('R').add("a", BukaText("Дом")).add("b", "x").add("c", "y")
                                         .add("d", "z").build(), "d.gxt");
    // "Ъ" takes the byte it shares with "Ь", "ё" folds, an escape is stored exactly.
    ApplyResult r = applyTsv(doc, "#zarnik-tsv 1 mode=buka language=R\na\tДом\nb\tОбъём\nc\t" + esc("B8") + "x\r\n");
    EXPECT_EQ(textsAfter(doc, r), (std::vector<Text>{BukaText("Дом"), BukaText("Обьем"), "\xB8x", "z"}));
    EXPECT_EQ(r.replaced, 3u);
    EXPECT_EQ(r.changes.size(), 2u);
    ASSERT_EQ(r.storedDifferently.size(), 1u);
    EXPECT_EQ(r.storedDifferently[0].key, "b");
    EXPECT_EQ(r.storedDifferently[0].characters, "ъ→ь, ё→е");

    // Pirate has no lower case: typed lower case is stored upper-cased, and counted.
    r = applyTsv(doc, "#zarnik-tsv 1 mode=pirate language=R\nb\tдом\nc\tДОМ\n");
    EXPECT_EQ(textsAfter(doc, r)[1], PirateText("ДОМ"));
    EXPECT_EQ(textsAfter(doc, r)[2], PirateText("ДОМ"));
    EXPECT_EQ(r.storedDifferently.size(), 1u);

    // Untranslated PO entries keep the text; fuzzy ones too, unless asked for.
    TempDir dir;
    const std::string po = dir.file("t.po");
    WriteFileBytes(po, "msgctxt \"a\"\nmsgid \"x\"\nmsgstr \"\"\n\n#, fuzzy\nmsgctxt \"b\"\nmsgid \"x\"\nmsgstr \"нов\"\n\n"
                       "#~ msgctxt \"zz\"\n#~ msgid \"old\"\n#~ msgstr \"obsolete\"\n");
    const Translation tr = ReadPoFile(po);
    EXPECT_EQ(tr.mode, std::nullopt);
    r = ApplyTranslation(doc, tr, kModeBuka, false);
    EXPECT_EQ(textsAfter(doc, r), doc.currentTexts());
    EXPECT_EQ(r.untranslated, 1u);
    EXPECT_EQ(r.fuzzyKept, 1u);
    r = ApplyTranslation(doc, tr, kModeBuka, true);
    EXPECT_EQ(textsAfter(doc, r)[1], BukaText("нов"));
}

TEST(Translation, ProblemsAreNamedWithTheirLines)
{
    const GxtDocument doc = ParseGxt(GxtBuilder('R').add("a", "x").add("b", "y").add("b", "y2").build(), "d.gxt");
    // Reader problems and key problems come together, in line order.
    EXPECT_EQ(problemsOf([&] {
                  applyTsv(doc, "\xEF\xBB\xBF#zarnik-tsv 1 mode=buka language=R\nb\t1\nq\t2\nb\t3\nnotab\n"
                                "a\t\xE4\xB8\xAD\nb" + kOpen + "#2" + kClose + "\tok\n");
              }),
              "t.tsv:3: unknown key \"q\"\n"
              "t.tsv:4: key \"b\" given twice (first at line 2)\n"
              "t.tsv:5: expected a key, one tab and a text\n"
              "t.tsv:6: character U+4E2D is outside Windows-1251");
    EXPECT_EQ(problemsOf([] { ParseTsv("a\tb\n", "t.tsv"); }),
              "t.tsv:1: not a Zarnik TSV file (the first line must start with \"#zarnik-tsv 2\")");
    EXPECT_EQ(problemsOf([&] { applyTsv(doc, "#zarnik-tsv 1 mode=pirate language=R\n");
                               TranslationMode(ParseTsv("#zarnik-tsv 1 mode=pirate\n", "t.tsv"), kModeBuka, kModeBuka); }),
              "t.tsv: written in pirate mode, not buka");

    // PO: gettext's own syntax errors with its lines; ours at the message's msgid line.
    TempDir dir;
    const std::string po = dir.file("t.po");
    WriteFileBytes(po, "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=UTF-8\\n\"\n\n"
                       "msgctxt \"zz\"\nmsgid \"q\"\nmsgstr \"w\"\n\nmsgid \"nokey\"\nmsgstr \"w\"\n");
    EXPECT_EQ(problemsOf([&] { ApplyTranslation(doc, ReadPoFile(po), kModeBuka, false); }),
              po + ":5: unknown key \"zz\"\n" + po + ":8: message without a key (msgctxt or a \"#:\" reference)");
    WriteFileBytes(po, "msgid \"\"\nmsgstr \"Content-Type: text/plain; charset=KOI8-R\\n\"\n");
    EXPECT_EQ(problemsOf([&] { ApplyTranslation(doc, ReadPoFile(po), kModeBuka, false); }),
              po + ": the file is in koi8-r; only UTF-8 is read");
    WriteFileBytes(po, "msgctxt \"a\"\nmsgid \"x\"\nmsgstr \"\\q\\w\"\n");
    EXPECT_EQ(problemsOf([&] { ReadPoFile(po); }), po + ":3: invalid control sequence");  // reported once
    WriteFileBytes(po, "msgctxt \"a\"\nmsgid \"x\"\nmsgstr \"y\"\ngarbage\n");
    EXPECT_NE(problemsOf([&] { ReadPoFile(po); }).find(po + ":4: "), std::string::npos);
    // gettext's own wording reaches the user in Russian, names kept.
    try {
        ReadPoFile(po);
        ADD_FAILURE();
    } catch (const TranslationError& e) {
        EXPECT_NE(e.russianMessage().find("неизвестное ключевое слово \"garbage\""), std::string::npos)
            << e.russianMessage();
    }
}

