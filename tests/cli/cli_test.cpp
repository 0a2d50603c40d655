// Runs the real zarnik-cli binary on files built here and checks what it prints, what it
// writes and how it exits.
#include "cp1251.h"
#include "encodings.h"
#include "gxtbuilder.h"
#include "gxtdocument.h"
#include "tempdir.h"
#include "textexport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>

extern char** environ;

using namespace zarnik;
using namespace zarnik::testing;
using namespace std::string_literals;

namespace {

struct Result {
    int status = -1;
    std::string out, err;
};

// `fileLimit` (bytes) is the child's RLIMIT_FSIZE; it also applies to its captured stdout.
Result runCli(std::vector<std::string> args, rlim_t fileLimit = RLIM_INFINITY)
{
    const char* env = std::getenv("ZARNIK_CLI_UNDER_TEST");  // the sanitized build's run
    args.insert(args.begin(), env ? env : ZARNIK_CLI);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    TempDir capture;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, capture.file("out").c_str(), O_WRONLY | O_CREAT, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, capture.file("err").c_str(), O_WRONLY | O_CREAT, 0600);
    // The child inherits the limit; only the soft limit moves, so it can be raised back.
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = fileLimit;
    setrlimit(RLIMIT_FSIZE, &limited);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    setrlimit(RLIMIT_FSIZE, &saved);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0)
        throw std::runtime_error("cannot start " + args[0]);

    Result r;
    int ws = 0;
    waitpid(pid, &ws, 0);
    r.status = WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws);
    r.out = ReadFileBytes(capture.file("out"));
    r.err = ReadFileBytes(capture.file("err"));
    return r;
}

// A Buka text, a Pirate text, a Latin text with a tab and CR LF, an empty text, a text
// with a zero byte inside one unit, and a key with leftover bytes after its zero.
const std::string kSmall = GxtBuilder('R')
                               .add("yes", BukaText("Да"))
                               .add("no", PirateText("НЕТ"))
                               .add("tabbed", "a\tb\r\nc\\d")
                               .add("empty", "")
                               .addRaw("zero", std::string("A\0\0B\0\0", 6))
                               .add(std::string("old\0junk", 8), "x")
                               .build();

std::vector<std::string> filesIn(const TempDir& dir)
{
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(Cli, InfoReportsHeaderFiguresAndEncodings)
{
    TempDir dir;
    WriteFileBytes(dir.file("small.gxt"), kSmall);
    Result r = runCli({"info", dir.file("small.gxt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "Language:                R\n"
                     "Entries:                 6\n"
                     "Key table:               72 bytes\n"
                     "String data:             44 bytes\n"
                     "Texts with Pirate bytes: 1\n"
                     "Texts with Buka bytes:   1\n"
                     "Texts with neither:      4\n");

    // The sizes are the headers' own figures, not recomputed ones.
    WriteFileBytes(dir.file("odd.gxt"),
                   GxtBuilder('E').add("a", "1").add("b", "2").keyTablePadding("pad").dataSize(999).build());
    r = runCli({"info", dir.file("odd.gxt")});
    EXPECT_NE(r.out.find("Entries:                 2\nKey table:               27 bytes\n"
                         "String data:             999 bytes\n"),
              std::string::npos)
        << r.out;
}

TEST(Cli, ListShowsEveryEntryOnOneLineInEachMode)
{
    TempDir dir;
    WriteFileBytes(dir.file("small.gxt"), kSmall);
    const std::string rest = "tabbed\ta\\tb\\r\\nc\\\\d\nempty\t\nzero\tA\\0B\nold\tx\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{}, "yes\tДа\nno\tЌ…’\n" + rest},  // buka by default, as in the editor
        {{"--mode", "buka"}, "yes\tДа\nno\tЌ…’\n" + rest},
        {{"--mode=pirate"}, "yes\tЖв\nno\tНЕТ\n" + rest},
        {{"--mode", "original"}, "yes\tЖв\nno\tЌ…’\n" + rest},
    };
    for (const auto& [options, expected] : cases) {
        std::vector<std::string> args = {"list", dir.file("small.gxt")};
        args.insert(args.end(), options.begin(), options.end());
        const Result r = runCli(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, expected);
    }
}

TEST(Cli, ExportWritesTheEditorsExport)
{
    TempDir dir;
    const std::string gxt = dir.file("small.gxt");
    WriteFileBytes(gxt, kSmall);
    Result r = runCli({"export", gxt});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "exported 6 entries to " + dir.file("small.txt") + "\n");
    const std::string text = ReadFileBytes(dir.file("small.txt"));
    EXPECT_EQ(text, BuildTextExport(LoadGxtFile(gxt)));
    EXPECT_TRUE(text.starts_with("yes=" + Utf8ToCp1251("Да") + "\r\n \r\nno="));
    EXPECT_NE(text.find("\r\noldjunk=x\r\n \r\n"), std::string::npos);

    // An explicit name is used as given, and replaced without a backup.
    WriteFileBytes(dir.file("out.dat"), "previous");
    r = runCli({"export", gxt, dir.file("out.dat")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(dir.file("out.dat")), text);
    EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"out.dat", "small.gxt", "small.txt"}));

    // A .gxt named *.txt would be exported onto itself.
    WriteFileBytes(dir.file("texts.txt"), kSmall);
    r = runCli({"export", dir.file("texts.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("onto itself"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(dir.file("texts.txt")), kSmall);
}

TEST(Cli, RecodeSavesWithTheEditorsBackupRule)
{
    TempDir dir;
    const std::string gxt = dir.file("small.gxt");
    WriteFileBytes(gxt, kSmall);
    Result r = runCli({"recode", "pirate-to-buka", gxt});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "recoded 1 of 6 texts; saved " + gxt + "; the previous file is kept as " + gxt + "_\n");
    EXPECT_EQ(ReadFileBytes(gxt + "_"), kSmall);
    GxtDocument doc = LoadGxtFile(gxt);
    EXPECT_EQ(doc.CurrentTexts[0], BukaText("Да"));
    EXPECT_EQ(doc.CurrentTexts[1], BukaText("НЕТ"));

    // Nothing left to recode: the file and its backup (the only copy of the original) stay.
    const std::string recoded = ReadFileBytes(gxt);
    r = runCli({"recode", "pirate-to-buka", gxt});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "no Pirate texts to recode; " + gxt + " is left as it was\n");
    EXPECT_EQ(ReadFileBytes(gxt), recoded);
    EXPECT_EQ(ReadFileBytes(gxt + "_"), kSmall);

    // With -o the input is not touched and gets no backup.
    WriteFileBytes(dir.file("in.gxt"), kSmall);
    r = runCli({"recode", "buka-to-pirate", dir.file("in.gxt"), "-o", dir.file("out.gxt")});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "recoded 1 of 6 texts; saved " + dir.file("out.gxt") + "\n");
    EXPECT_EQ(ReadFileBytes(dir.file("in.gxt")), kSmall);
    EXPECT_FALSE(FileExists(dir.file("in.gxt_")));
    doc = LoadGxtFile(dir.file("out.gxt"));
    EXPECT_EQ(doc.CurrentTexts[0], PirateText("ДА"));
    EXPECT_EQ(doc.CurrentTexts[1], PirateText("НЕТ"));
}

TEST(Cli, ResaveNormalisesTheLayout)
{
    TempDir dir;
    const std::string odd = GxtBuilder()
                                .gapBeforeStrings(std::string("\x11\x22", 2))
                                .add("a", "first")
                                .addShared("b", 0)
                                .trailing("tail")
                                .build();
    WriteFileBytes(dir.file("odd.gxt"), odd);
    const Result r = runCli({"resave", dir.file("odd.gxt")});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string saved = ReadFileBytes(dir.file("odd.gxt"));
    EXPECT_NE(saved, odd);
    EXPECT_EQ(saved, BuildGxtImage(ParseGxt(odd, "odd")));
    EXPECT_EQ(ReadFileBytes(dir.file("odd.gxt_")), odd);
}

TEST(Cli, BadCommandLinesAndBadFilesExitWithAReason)
{
    TempDir dir;
    const std::string good = dir.file("good.gxt"), damaged = dir.file("damaged.gxt");
    WriteFileBytes(good, kSmall);
    WriteFileBytes(damaged, "GBLE\x64\0TKEY"s);  // 10 bytes
    const std::string missing = dir.file("missing.gxt");
    const struct {
        std::vector<std::string> args;
        int status;
        std::string message;
    } cases[] = {
        {{}, 2, "no command given"},
        {{"frobnicate", good}, 2, "unknown command 'frobnicate'"},
        {{"info"}, 2, "missing file\nusage: zarnik-cli info FILE.gxt\n"},
        {{"recode", "sideways", good}, 2, "unknown direction 'sideways'"},
        {{"list", good, "--mode", "klingon"}, 2, "unknown mode 'klingon'"},
        {{"info", good, "-o", "x"}, 2, "unknown option '-o'"},
        {{"export", good, "a.txt", "b.txt"}, 2, "unexpected argument 'b.txt'"},
        {{"info", missing}, 1, "zarnik-cli: cannot open " + missing + ": No such file or directory\n"},
        {{"list", damaged}, 1, damaged + " is damaged: file is shorter than its 14-byte header\n"},
        {{"recode", "pirate-to-buka", damaged}, 1, damaged + " is damaged"},
        {{"resave", good, "-o", good + "/inside.gxt"}, 1, "cannot create a temporary file for " + good},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.empty() ? "(none)" : c.args[0] + " " + c.message);
        const Result r = runCli(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
        if (c.status == 2) {
            EXPECT_NE(r.err.find("usage: zarnik-cli "), std::string::npos) << r.err;
        }
    }
    EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"damaged.gxt", "good.gxt"}));
    EXPECT_EQ(ReadFileBytes(good), kSmall);
}

// Under a file-size limit every write fails part-way: no half-written file, no temporary
// file, the previous contents intact, and an error instead of a SIGXFSZ death.
TEST(Cli, WriteFailuresLeaveNoPartialFile)
{
    TempDir dir;
    GxtBuilder many('R');
    for (int i = 0; i < 200; ++i)
        many.add("key" + std::to_string(i), PirateText("ПРИВЕТ ИЗ ФАЙЛА"));
    const std::string gxt = dir.file("many.gxt"), bytes = many.build();
    WriteFileBytes(gxt, bytes);
    WriteFileBytes(dir.file("many.txt"), "previous");
    WriteFileBytes(gxt + "_", "older backup");
    const rlim_t limit = 4096;
    ASSERT_GT(BuildTextExport(LoadGxtFile(gxt)).size(), limit);

    Result r = runCli({"export", gxt}, limit);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zarnik-cli: cannot write " + dir.file("many.txt") + ": File too large\n");
    r = runCli({"recode", "pirate-to-buka", gxt}, limit);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zarnik-cli: cannot write " + gxt + ": File too large\n");
    EXPECT_EQ(ReadFileBytes(gxt), bytes);
    EXPECT_EQ(ReadFileBytes(gxt + "_"), "older backup");
    EXPECT_EQ(ReadFileBytes(dir.file("many.txt")), "previous");
    EXPECT_EQ(filesIn(dir), (std::vector<std::string>{"many.gxt", "many.gxt_", "many.txt"}));

    r = runCli({"list", gxt}, limit);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zarnik-cli: cannot write standard output: File too large\n");
}

TEST(Cli, HelpAndVersion)
{
    Result r = runCli({"--version"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "zarnik-cli 1.0\n");

    r = runCli({"--help"});
    EXPECT_EQ(r.status, 0);
    for (const char* name : {"info", "list", "export", "recode", "resave"})
        EXPECT_NE(r.out.find("\n  "s + name + " "), std::string::npos) << name;

    r = runCli({"help", "recode"});
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(r.out.starts_with("usage: zarnik-cli recode pirate-to-buka|buka-to-pirate FILE.gxt [-o OUT.gxt]\n"));
    EXPECT_EQ(runCli({"recode", "--help"}).out, r.out);
}
