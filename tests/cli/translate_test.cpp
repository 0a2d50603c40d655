// extract and apply on the real binary: round trips over the corpus, translators' edits,
// and refusals that leave every file as it was.
#include "gxtbuilder.h"
#include "gxtcorpus.h"
#include "format/gxtdocument.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/wait.h>

using namespace zarnik;
using namespace zarnik::testing;
using Args = std::vector<std::string>;

namespace {

struct Ran { int status; std::string out, err; };

Ran run(const std::string& program, const Args& args)
{
    TempDir capture;
    std::string command = "exec '" + program + "'";
    for (const std::string& a : args)
        command += " '" + a + "'";
    command += " </dev/null >'" + capture.file("out") + "' 2>'" + capture.file("err") + "'";
    const int ws = std::system(command.c_str());
    return {WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws), ReadFileBytes(capture.file("out")),
            ReadFileBytes(capture.file("err"))};
}

Ran cli(const Args& args)
{
    const char* env = std::getenv("ZARNIK_CLI_UNDER_TEST");
    return run(env ? env : ZARNIK_CLI, args);
}

// gettext's own verdict on a PO or POT file we wrote.
void expectMsgfmtAccepts(const std::string& po)
{
    const Ran r = run("/usr/bin/msgfmt", {"--check", "-o", "/dev/null", po});
    EXPECT_EQ(r.status, 0) << po << "\n" << r.err;
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
    EXPECT_NE(e.out.find("keys not in " + en + " (their own text is the msgid): only"), std::string::npos) << e.out;
    EXPECT_NE(e.out.find("keys only in " + en + " (left out): extra"), std::string::npos) << e.out;

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
        {"#zarnik-tsv 2\n", {tsv + ":1: TSV version \"2\" is not supported"}},
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
