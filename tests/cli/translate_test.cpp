// SPDX-License-Identifier: GPL-3.0-or-later
// extract and apply on the real binary: round trips over the corpus, translators' edits,
// and refusals that leave every file as it was.
#include "gxtbuilder.h"
#include "gxtcorpus.h"
#include "format/gxtdocument.h"
#include "runprogram.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarnik;
using namespace zarnik::testing;
using Args = std::vector<std::string>;
using namespace std::string_literals;

namespace {

using Ran = ProgramResult;

Ran run(const std::string& program, const Args& args)
{
    return RunProgram(program, args);
}

Ran cli(const Args& args)
{
    const char* env = std::getenv("ZARNIK_CLI_UNDER_TEST");
    return run(env ? env : ZARNIK_CLI, args);
}

// gettext's own verdict on a PO or POT file we wrote. The Windows build's tests have no
// gettext tools to call under Wine; the Linux run checks the same files.
void expectMsgfmtAccepts([[maybe_unused]] const std::string& po)
{
#ifndef _WIN32
    const Ran r = run("/usr/bin/msgfmt", {"--check", "-o", "/dev/null", po});
    EXPECT_EQ(r.status, 0) << po << "\n" << r.err;
#endif
}

long filesIn(const std::string& dir)
{
    return std::distance(std::filesystem::directory_iterator(dir), {});
}

class Translate : public ::testing::Test {
protected:
    TempDir dir;
};

}  // namespace

// Extracting and applying to the same file gives exactly what resave gives, in every
// mode and every format; gettext accepts every PO and POT written. (The document tests
// take every file of the corpus through the same readers and writers.)
TEST_F(Translate, RoundTripsGiveTheResavedFile)
{
    for (const auto& [name, bytes] : GxtCorpus()) {
        if (name != "bytes" && name != "keys")
            continue;
        const std::string gxt = dir.file(name + ".gxt"), resaved = dir.file(name + "-resaved.gxt");
        WriteFileBytes(gxt, bytes);
        ASSERT_EQ(cli({"resave", gxt, "-o", resaved}).status, 0) << name;
        const std::string expected = ReadFileBytes(resaved);
        for (const char* mode : {"original", "pirate", "buka"}) {
            for (const char* kind : {"po-with-source", "po-template", "pot", "tsv"}) {
                const std::string what = name + " " + mode + " " + kind;
                const std::string ext = kind == std::string("tsv") ? ".tsv" : kind == std::string("pot") ? ".pot" : ".po";
                const std::string tr = dir.file(name + "-" + mode + "-" + kind + ext);
                Args extract{"extract", gxt, "-o", tr, "--mode", mode};
                if (kind == std::string("po-with-source"))
                    extract.insert(extract.end(), {"--source", gxt});
                const Ran e = cli(extract);
                ASSERT_EQ(e.status, 0) << what << "\n" << e.err;
                if (ext != ".tsv")
                    expectMsgfmtAccepts(tr);
                const std::string out = dir.file("out.gxt");
                const Ran a = cli({"apply", gxt, tr, "-o", out});
                ASSERT_EQ(a.status, 0) << what << "\n" << a.err;
                EXPECT_EQ(ReadFileBytes(out), expected) << what;
                EXPECT_EQ(a.out.find(" 0 texts changed") != std::string::npos, true) << what << "\n" << a.out;
            }
        }
        EXPECT_EQ(ReadFileBytes(gxt), bytes) << name;
    }
}

TEST_F(Translate, EditedMsgstrsChangeExactlyThoseTexts)
{
    const std::string ru = dir.file("r.gxt"), en = dir.file("e.gxt"), po = dir.file("ru.po");
    WriteFileBytes(ru, GxtBuilder('R').add("hello", BukaText("Привет")).add("bye", BukaText("Пока"))
                           .add("car", BukaText("Машина")).add("only", BukaText("Только здесь")).build());
    WriteFileBytes(en, GxtBuilder('E').add("hello", "Hello").add("bye", "Bye").add("car", "Car")
                           .add("extra", "Extra").build());
    const Ran e = cli({"extract", ru, "-o", po, "--source", en});
    ASSERT_EQ(e.status, 0) << e.err;
    EXPECT_NE(e.out.find("keys not in " + en + " (their own text is the msgid): \"only\""), std::string::npos) << e.out;
    EXPECT_NE(e.out.find("keys only in " + en + " (left out): \"extra\""), std::string::npos) << e.out;

    // A translator changes two texts, one with "ё" and "Ъ", and marks a third fuzzy.
    std::string text = ReadFileBytes(po);
    const auto edit = [&](const std::string& from, const std::string& to) {
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        text.replace(at, from.size(), to);
    };
    edit("msgid \"Hello\"\nmsgstr \"Привет\"", "msgid \"Hello\"\nmsgstr \"Здравствуй\"");
    edit("msgid \"Bye\"\nmsgstr \"Пока\"", "msgid \"Bye\"\nmsgstr \"Ещё подъезд\"");
    edit("msgctxt \"car\"", "#, fuzzy\nmsgctxt \"car\"");
    edit("msgid \"Car\"\nmsgstr \"Машина\"", "msgid \"Car\"\nmsgstr \"Автомобиль\"");
    WriteFileBytes(po, text);
    expectMsgfmtAccepts(po);

    const std::string before = ReadFileBytes(ru);
    Ran a = cli({"apply", ru, po});
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_NE(a.out.find("3 texts taken, 2 texts changed, 1 fuzzy entry kept"), std::string::npos) << a.out;
    EXPECT_NE(a.out.find("1 text is stored as the editor stores typed text"), std::string::npos) << a.out;
    GxtDocument doc = LoadGxtFile(ru);
    EXPECT_EQ(doc.currentTexts(), (std::vector<std::string>{BukaText("Здравствуй"), BukaText("Еще подьезд"),
                                                          BukaText("Машина"), BukaText("Только здесь")}));
    EXPECT_EQ(ReadFileBytes(ru + "_"), before);

    a = cli({"apply", ru, po, "--use-fuzzy", "-o", dir.file("fuzzy.gxt")});
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(std::string(LoadGxtFile(dir.file("fuzzy.gxt")).text(2)), BukaText("Автомобиль"));

    // Applied again in place, nothing changes and the backup is not overwritten.
    a = cli({"apply", ru, po});
    EXPECT_NE(a.out.find("nothing changed; " + ru + " is left as it was"), std::string::npos) << a.out;
    EXPECT_EQ(ReadFileBytes(ru + "_"), before);
}

TEST_F(Translate, ANewTranslationStartsFromTheEnglishFile)
{
    const std::string en = dir.file("e.gxt"), pot = dir.file("ru.pot"), po = dir.file("ru.po"), out = dir.file("r.gxt");
    WriteFileBytes(en, GxtBuilder('E').add("hi", "Hi").add("lower", "go").add("same", "OK").build());
    ASSERT_EQ(cli({"extract", en, "-o", pot, "--mode", "pirate"}).status, 0);
    std::string text = ReadFileBytes(pot);
    for (const auto& [from, to] : {std::pair<std::string, std::string>{"msgid \"Hi\"\nmsgstr \"\"", "msgid \"Hi\"\nmsgstr \"ПРИВЕТ\""},
                                   {"msgid \"go\"\nmsgstr \"\"", "msgid \"go\"\nmsgstr \"иди\""}})
        text.replace(text.find(from), from.size(), to);
    WriteFileBytes(po, text);

    const Ran a = cli({"apply", en, po, "-o", out, "--language", "R"});
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_NE(a.out.find("in pirate mode: 2 texts taken, 2 texts changed, 1 untranslated entry kept"), std::string::npos) << a.out;
    EXPECT_NE(a.out.find("1 text is stored"), std::string::npos) << a.out;  // lower case in pirate mode
    const GxtDocument doc = LoadGxtFile(out);
    EXPECT_EQ(doc.languageLetter(), 'R');
    EXPECT_EQ(doc.currentTexts(), (std::vector<std::string>{PirateText("ПРИВЕТ"), PirateText("ИДИ"), "OK"}));
}

// Names outside the ANSI code page of Windows (Cyrillic and CJK letters, in the folder and
// in the file) reach gettext's reader and writer, which open files through the C library.
TEST_F(Translate, NamesOutsideTheCodePage)
{
    const std::string folder = dir.file("Переводы ë日本");
    std::filesystem::create_directory(NativePath(folder));
    const std::string ru = folder + "/тексты.gxt", en = folder + "/english.gxt", po = folder + "/перевод 日本.po";
    WriteFileBytes(ru, GxtBuilder('R').add("car", BukaText("Машина")).build());
    WriteFileBytes(en, GxtBuilder('E').add("car", "Car").build());
    const Ran e = cli({"extract", ru, "-o", po, "--source", en});
    ASSERT_EQ(e.status, 0) << e.err;
    std::string text = ReadFileBytes(po);
    const std::string from = "msgstr \"Машина\"";
    ASSERT_NE(text.find(from), std::string::npos) << text;
    text.replace(text.find(from), from.size(), "msgstr \"Автомобиль\"");
    WriteFileBytes(po, text);
    const Ran a = cli({"apply", ru, po});
    ASSERT_EQ(a.status, 0) << a.err;
    EXPECT_EQ(std::string(LoadGxtFile(ru).text(0)), BukaText("Автомобиль"));
}

// Every problem of the input is named with its file and line; nothing is written.
TEST_F(Translate, BadInputIsRefusedAndNothingIsWritten)
{
    const std::string gxt = dir.file("f.gxt");
    const std::string bytes = GxtBuilder('R').add("a", "x").add("b", "y").build();
    WriteFileBytes(gxt, bytes);
    const std::string tsv = dir.file("in.tsv"), po = dir.file("in.po");
    const std::pair<std::string, std::vector<std::string>> cases[] = {
        {"#zarnik-tsv 1 mode=buka language=R\na\tok\nnope\tz\nb\t1\nb\t2\nc\n",
         {tsv + ":3: unknown key \"nope\"", tsv + ":5: key \"b\" given twice (first at line 4)",
          tsv + ":6: expected a key, one tab and a text"}},
        {"#zarnik-tsv 1 mode=buka language=R\na\t\xE2\x82\xAC ok \xE2\x84\x96\xE2\x88\x9E\nb\tbad \\q\n",
         {tsv + ":2: character U+221E", tsv + ":3: unknown escape \"\\q\""}},
        {"#zarnik-tsv 3\n", {tsv + ":1: TSV version \"3\" is not supported"}},
        {"msgctxt \"a\"\nmsgid \"x\"\nmsgstr \"\xE4\xB8\xAD\"\n\nmsgctxt \"zz\"\nmsgid \"q\"\nmsgstr \"w\"\n",
         {po + ":2: character U+4E2D", po + ":6: unknown key \"zz\""}},
        {"msgctxt \"a\"\nmsgid \"x\nmsgstr \"y\"\n", {po + ":", "end-of-line within string"}},
        {"msgid \"x\"\nmsgstr \"y\"\n\nmsgctxt \"b\"\nmsgid \"x\"\nmsgid_plural \"xs\"\nmsgstr[0] \"y\"\n",
         {po + ":1: message without a key", po + ":5: plural forms are not used"}},
        {"msgctxt \"a\"\nmsgid \"x\"\nmsgstr \"\xE2\x9F\xA6Q1\xE2\x9F\xA7\"\n", {po + ":2: malformed escape"}},
    };
    for (const auto& [content, messages] : cases) {
        const std::string& input = content.starts_with("#zarnik") ? tsv : po;
        WriteFileBytes(input, content);
        const Ran r = cli({"apply", gxt, input});
        EXPECT_EQ(r.status, 1) << content;
        for (const std::string& m : messages)
            EXPECT_NE(r.err.find(m), std::string::npos) << m << "\n" << r.err;
        EXPECT_NE(r.err.find("nothing was written"), std::string::npos) << r.err;
        std::filesystem::remove(input);
    }
    // A file in one mode applied in another would store the wrong bytes.
    WriteFileBytes(tsv, "#zarnik-tsv 1 mode=pirate language=R\na\tx\n");
    EXPECT_NE(cli({"apply", gxt, tsv, "--mode", "buka"}).err.find("written in pirate mode, not buka"), std::string::npos);
    std::filesystem::remove(tsv);

    EXPECT_EQ(ReadFileBytes(gxt), bytes);
    EXPECT_EQ(filesIn(dir.path()), 1);

    // Command-line mistakes.
    EXPECT_EQ(cli({"extract", gxt}).status, 2);
    EXPECT_NE(cli({"extract", gxt, "-o", dir.file("x.txt")}).err.find("name it .po, .pot or .tsv"), std::string::npos);
    EXPECT_EQ(cli({"apply", gxt, po, "--language", "RU"}).status, 2);
    EXPECT_EQ(cli({"extract", gxt, "-o", po, "--language", "R"}).status, 2);
    EXPECT_EQ(filesIn(dir.path()), 1);
}

TEST(TranslateHelp, ExplainsTheThreeSteps)
{
    for (const char* command : {"extract", "apply"}) {
        const std::string help = cli({"help", command}).out;
        EXPECT_TRUE(help.starts_with(std::string("usage: zarnik-cli ") + command)) << help;
        EXPECT_NE(help.find("1. zarnik-cli extract r.gxt -o ru.po --source e.gxt"), std::string::npos) << help;
        EXPECT_NE(help.find("3. zarnik-cli apply r.gxt ru.po"), std::string::npos) << help;
        EXPECT_EQ(cli({command, "--help"}).out, help);
    }
    const std::string general = cli({"--help"}).out;
    EXPECT_NE(general.find("  extract FILE.gxt -o OUT.po"), std::string::npos);
    EXPECT_NE(general.find("  apply FILE.gxt IN.po|IN.tsv"), std::string::npos);
}

// LibreOffice, Python's polib and translate-toolkit run on Linux only; under Wine the
// Windows build has none of them to call.
#ifndef _WIN32
namespace {

// Texts a spreadsheet reads as something else unless written with care: quotes at the
// start, inside and around, numbers (long ones too), dates, times, formulas, truth
// values; keys too.
std::string SpreadsheetHostileFile()
{
    return GxtBuilder('R')
        .add("said", "\"Hello\" he said").add("inside", "say \"hi\" now").add("around", "\"x\"")
        .add("0010", "007").add("half", "1/2").add("sum", "=1+1").add("time", "12:30").add("minus", "-Go")
        .add("truth", "true").add("sci", "1e5").add("empty", "").add("tab", "a\tb \\ c")
        .add("ru", BukaText("Ёлки, «ёж» и ПОДЪЕЗД")).add("money", "5 \xA0$")
        .add("long", std::string(90, '7')).add("longkm", std::string(90, '7') + " km")
        .build();
}

// The same keys with every text "?": a translation applied to it must bring back every text.
std::string blankCopy(const std::string& gxt, const std::string& blank)
{
    GxtDocument doc = LoadGxtFile(gxt);
    for (size_t i = 0; i < doc.Count(); ++i)
        doc.setText(i, "?");
    SaveGxtFile(doc, blank);
    return blank;
}

}  // namespace

// A TSV opened in LibreOffice Calc and saved again, with quoting of text cells as Calc's
// dialog offers it and as "Unicode text" (UTF-16), comes back to the same texts.
TEST_F(Translate, SpreadsheetsGiveEveryTextBack)
{
    const std::string gxt = dir.file("r.gxt"), tsv = dir.file("r.tsv"), resaved = dir.file("resaved.gxt");
    WriteFileBytes(gxt, SpreadsheetHostileFile());
    ASSERT_EQ(cli({"resave", gxt, "-o", resaved}).status, 0);
    ASSERT_EQ(cli({"extract", gxt, "-o", tsv, "--mode", "buka"}).status, 0);
    // Import: tab, quote, UTF-8, special numbers detected (as Excel does); export: quote
    // all text cells or only where needed, UTF-8 or UTF-16.
    const char* exports[] = {"9,34,76,1,,0,false,true,true", "9,34,76,1,,0,true,true,true", "9,34,65535,1,,0,false,true,true"};
    for (const char* exportOptions : exports) {
        const std::string outDir = dir.file("calc");
        const Ran c = run("/usr/bin/soffice", {"-env:UserInstallation=file://" + dir.file("profile"), "--headless",
                                                "--infilter=CSV:9,34,76,1,,0,false,true", "--convert-to",
                                                std::string("csv:Text - txt - csv (StarCalc):") + exportOptions,
                                                "--outdir", outDir, tsv});
        ASSERT_EQ(c.status, 0) << c.err;
        const std::string back = dir.file("back.tsv");
        std::filesystem::rename(outDir + "/r.csv", back);
        const std::string out = dir.file("out.gxt");
        const Ran a = cli({"apply", blankCopy(gxt, dir.file("blank.gxt")), back, "-o", out});
        ASSERT_EQ(a.status, 0) << exportOptions << "\n" << a.err << ReadFileBytes(back);
        EXPECT_EQ(ReadFileBytes(out), ReadFileBytes(resaved)) << exportOptions;
    }
}

// PO files loaded and saved by Python's polib, and taken through translate-toolkit's CSV
// and back, give every text back; the key survives in the reference where msgctxt is lost.
TEST_F(Translate, OtherToolsGiveEveryTextBack)
{
    const std::string gxt = dir.file("r.gxt"), en = dir.file("e.gxt"), po = dir.file("r.po"), out = dir.file("out.gxt");
    // An empty key with an empty text, as one real file has, and a key with bytes after its zero.
    WriteFileBytes(gxt, GxtBuilder('R').add("", "").add("B25\0rcy"s, BukaText("Дом")).add("same", BukaText("Да"))
                            .add("same2", BukaText("Да")).add("sp ce:1", BukaText("Ещё")).build());
    WriteFileBytes(en, GxtBuilder('E').add("", "").add("B25\0rcy"s, "House").add("same", "Yes").add("same2", "Yes")
                           .add("sp ce:1", "More").build());
    const std::string expected = ReadFileBytes(gxt);
    struct Tool { const char* name; std::string script; };
    const Tool tools[] = {
        {"polib", "import polib, sys; p = polib.pofile(sys.argv[1]); p.save(sys.argv[1])"},
        {"translate-toolkit", "import subprocess, sys; f = sys.argv[1];"
                              "subprocess.run([\"po2csv\", \"--progress=none\", f, f + \".csv\"], check=True);"
                              "subprocess.run([\"csv2po\", \"--progress=none\", f + \".csv\", f], check=True)"},
    };
    for (const Tool& tool : tools) {
        ASSERT_EQ(cli({"extract", gxt, "-o", po, "--source", en, "--mode", "buka"}).status, 0);
        const Ran t = run("/usr/bin/python3", {"-c", tool.script, po});
        ASSERT_EQ(t.status, 0) << tool.name << "\n" << t.err;
        const Ran a = cli({"apply", blankCopy(gxt, dir.file("blank.gxt")), po, "-o", out, "--mode", "buka"});
        ASSERT_EQ(a.status, 0) << tool.name << "\n" << a.err << ReadFileBytes(po);
        EXPECT_EQ(ReadFileBytes(out), expected) << tool.name;
    }
}
#endif

// What translators' editors and downloads hand back: marks, other encodings, newer
// templates, zero bytes, cut files, floods of errors; and command-line mistakes.
TEST_F(Translate, WhatOtherProgramsWriteIsReadOrRefusedOnce)
{
    const std::string gxt = dir.file("r.gxt"), out = dir.file("out.gxt");
    WriteFileBytes(gxt, GxtBuilder('R').add("a", BukaText("Дом")).add("b", "y").build());
    const std::string tsvHead = "#zarnik-tsv 2 mode=buka language=R\n";
    std::string flood = tsvHead;
    for (int i = 0; i < 30; ++i)
        flood += "nokey" + std::to_string(i) + "\tx\n";
    struct Case { const char* name; std::string content; int status; std::vector<std::string> said; };
    const Case cases[] = {
        {"bom.po", "\xEF\xBB\xBFmsgctxt \"a\"\r\nmsgid \"x\"\r\nmsgstr \"Кот\"\r\n", 0, {"1 text changed"}},
        {"newer.po", "msgctxt \"a\"\nmsgid \"x\"\nmsgstr \"Кот\"\n\nmsgctxt \"new\"\nmsgid \"n\"\nmsgstr \"\"\n", 0,
         {"1 untranslated entry with keys " + gxt + " does not have passed over"}},
        {"cp1251.tsv", tsvHead + "a\t\xCA\xEE\xF2\n", 1, {"not UTF-8; it looks like Windows-1251"}},
        {"binary.po", std::string("\x7F" "ELF\x02\x01\x01\0\0\0", 10) + "msgid", 1, {"holds zero bytes: not a text file"}},
        {"zero.tsv", tsvHead + "a\tx\\0y\n", 1, {"zero.tsv:2: a zero byte inside a text"}},
        {"zero.po", "msgctxt \"b\"\nmsgid \"x\"\nmsgstr \"x\xE2\x9F\xA6" "00\xE2\x9F\xA7y\"\n", 1, {"zero.po:2: a zero byte inside a text"}},
        {"cut.tsv", tsvHead + "a\tКот\nb\tha", 1, {"cut.tsv:3: the last line has no line break"}},
        {"flood.tsv", flood, 1, {"flood.tsv:21: unknown key \"nokey19\"\n", "flood.tsv: and 10 more problems"}},
    };
    for (const Case& c : cases) {
        const std::string path = dir.file(c.name);
        WriteFileBytes(path, c.content);
        const Ran a = cli({"apply", gxt, path, "-o", out});
        EXPECT_EQ(a.status, c.status) << c.name << "\n" << a.err;
        for (const std::string& s : c.said)
            EXPECT_NE((a.out + a.err).find(s), std::string::npos) << c.name << ": " << s << "\n" << a.out << a.err;
        if (c.status != 0) {
            EXPECT_EQ(std::count(a.err.begin(), a.err.end(), '\n'), std::string(c.name) == "flood.tsv" ? 22 : 2) << a.err;
            EXPECT_FALSE(std::filesystem::exists(out)) << c.name;
        }
        std::filesystem::remove(out);
    }
    EXPECT_EQ(std::string(LoadGxtFile(gxt).text(0)), BukaText("Дом"));

    // The source is read in its own encoding: an English file's byte C1 is "Б" as
    // Windows-1251 shows it, not the Buka letter "А" of the Russian file beside it.
    const std::string en = dir.file("e.gxt"), po = dir.file("ru.po");
    WriteFileBytes(en, GxtBuilder('E').add("a", "Caf\xC1").add("b", "y").build());
    const Ran e = cli({"extract", gxt, "-o", po, "--source", en});
    EXPECT_NE(e.out.find("in buka mode (the file's encoding)"), std::string::npos) << e.out;
    EXPECT_NE(ReadFileBytes(po).find("msgid \"CafБ\""), std::string::npos) << ReadFileBytes(po);

    for (const Args& mistake : {Args{"extract", gxt, "-o", dir.file("x.txt")}, Args{"extract", gxt, "-o", dir.file("x.tsv"), "--source", en},
                                Args{"apply", gxt, dir.file("notes.txt")}})
        EXPECT_EQ(cli(mistake).status, 2) << mistake[3];
}
