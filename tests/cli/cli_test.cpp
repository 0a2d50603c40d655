// SPDX-License-Identifier: GPL-3.0-or-later
// Runs the real zarnik-cli on files built here: what it prints, what it writes, how it exits.
#include "gxtbuilder.h"
#include "format/gxtdocument.h"
#include "gxtgenerator.h"
#include "runprogram.h"
#include "tempdir.h"
#include "format/textexport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#ifndef _WIN32
#include <fcntl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#endif

using namespace zarnik;
using namespace zarnik::testing;
using namespace std::string_literals;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

namespace {

using Result = ProgramResult;

const char* toolUnderTest()
{
    const char* env = std::getenv("ZARNIK_CLI_UNDER_TEST");  // the sanitized build's run
    return env ? env : ZARNIK_CLI;
}

// `blocks` (of 512 bytes) limits the size of every file the tool writes: Linux only.
Result runCli(const Names& args, int blocks = 0)
{
    return RunProgram(toolUnderTest(), args, blocks);
}

#ifndef _WIN32
// The same with standard output a pipe, as in `zarnik-cli ... | other-program`.
Result runCliPiped(const Names& args)
{
    const char* env = std::getenv("ZARNIK_CLI_UNDER_TEST");
    const auto quote = [](const std::string& s) { return " '" + s + "'"; };
    TempDir capture;
    std::string command = "exec" + quote(env ? env : ZARNIK_CLI);
    for (const std::string& a : args)
        command += quote(a);
    command += " </dev/null 2>" + quote(capture.file("err"));
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
        out.append(buffer, n);
    const int ws = ::pclose(pipe);
    return {WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws), out, ReadFileBytes(capture.file("err"))};
}
#endif

// A Buka text, a Pirate text, a Latin text with a tab and CR LF, an empty text, a text
// with a zero byte inside one unit, and a key with leftover bytes after its zero.
const std::string kSmall = GxtBuilder('R').add("yes", BukaText("Да")).add("no", PirateText("НЕТ"))
                               .add("tabbed", "a\tb\r\nc\\d").add("empty", "")
                               .addRaw("zero", "A\0\0B\0\0"s).add("old\0junk"s, "x").build();

class Cli : public ::testing::Test {
protected:
    void SetUp() override { WriteFileBytes(gxt, kSmall); }
    long files() const { return std::distance(std::filesystem::directory_iterator(NativePath(dir.path())), {}); }
    TempDir dir;
    const std::string gxt = dir.file("small.gxt");
};

}  // namespace

TEST_F(Cli, InfoAndListReadTheFile)
{
    EXPECT_EQ(runCli({"info", gxt}).out,
              "Language:                R\nEntries:                 6\n"
              "Key table:               72 bytes\nString data:             44 bytes\n"
              "Texts with Pirate bytes: 1\nTexts with Buka bytes:   1\nTexts with neither:      4\n"
              "encoding: mixed (2 of 6 texts)\n");

    // One line per entry, escaped; Buka by default, as in the editor.
    const std::string rest = "tabbed\ta\\tb\\r\\nc\\\\d\nempty\t\nzero\tA\\0B\nold\tx\n";
    EXPECT_EQ(runCli({"list", gxt}).out, "yes\tДа\nno\tЌ…’\n" + rest);
    EXPECT_EQ(runCli({"list", gxt, "--mode=pirate"}).out, "yes\tЖв\nno\tНЕТ\n" + rest);
    EXPECT_EQ(runCli({"list", gxt, "--mode", "original"}).out, "yes\tЖв\nno\tЌ…’\n" + rest);

    // Padding and a false data size are reported as declared, not recomputed.
    WriteFileBytes(gxt, GxtBuilder().add("a", "1").add("b", "2").keyTablePadding("pad").dataSize(999).build());
    const std::string info = runCli({"info", gxt}).out;
    EXPECT_NE(info.find("27 bytes\nString data:             999 bytes\n"), std::string::npos) << info;
}

// The verdict line follows the file through a recode; bytes 0x80-0xB0 of a German file
// are its own letters, not Pirate ones.
TEST_F(Cli, InfoNamesTheEncodingOfGeneratedFiles)
{
    const auto verdict = [this] {
        const std::string out = runCli({"info", gxt}).out;
        const size_t at = out.find("encoding: ");
        return at == std::string::npos ? out : out.substr(at);
    };
    const GeneratedFile buka = GenerateGxtFile(FileKind::Buka, 3);
    WriteFileBytes(gxt, buka.bytes);
    const size_t total = buka.texts.size();
    const std::string all = " of " + std::to_string(total) + " texts)\n";
    const std::string bukaLine = verdict();
    EXPECT_TRUE(bukaLine.starts_with("encoding: buka (")) << bukaLine;
    EXPECT_TRUE(bukaLine.ends_with(all)) << bukaLine;

    ASSERT_EQ(runCli({"recode", "buka-to-pirate", gxt}).status, 0);
    const std::string pirateLine = verdict();
    EXPECT_EQ(pirateLine, "encoding: pirate" + bukaLine.substr(std::string("encoding: buka").size()));

    WriteFileBytes(gxt, GenerateGxtFile(FileKind::European, 4).bytes);
    EXPECT_EQ(verdict(), "encoding: none (" + std::to_string(LoadGxtFile(gxt).Count()) + " of " +
                             std::to_string(LoadGxtFile(gxt).Count()) + " texts)\n");
}

TEST_F(Cli, ExportWritesTheEditorsExport)
{
    Result r = runCli({"export", gxt});
    EXPECT_EQ(r.out, "exported 6 entries to " + dir.file("small.txt") + "\n") << r.err;
    const std::string text = ReadFileBytes(dir.file("small.txt"));
    EXPECT_EQ(text, BuildTextExport(LoadGxtFile(gxt)));

    // An explicit name is used as given, and replaced without a backup.
    WriteFileBytes(dir.file("out.dat"), "previous");
    EXPECT_EQ(runCli({"export", gxt, dir.file("out.dat")}).status, 0);
    EXPECT_EQ(ReadFileBytes(dir.file("out.dat")), text);
    EXPECT_EQ(files(), 3);  // no backup of out.dat

    // A .gxt named *.txt would be exported onto itself.
    WriteFileBytes(dir.file("texts.txt"), kSmall);
    r = runCli({"export", dir.file("texts.txt")});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("onto itself"), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(dir.file("texts.txt")), kSmall);
}

TEST_F(Cli, RecodeAndResaveKeepTheEditorsBackupRule)
{
    EXPECT_EQ(runCli({"recode", "pirate-to-buka", gxt}).out,
              "recoded 1 of 6 texts; saved " + gxt + "; the previous file is kept as " + gxt + "_\n");
    EXPECT_EQ(LoadGxtFile(gxt).text(1), BukaText("НЕТ"));

    // Nothing left to recode: the file and its backup (the only copy of the original) stay.
    const std::string recoded = ReadFileBytes(gxt);
    EXPECT_EQ(runCli({"recode", "pirate-to-buka", gxt}).out,
              "no Pirate texts to recode; " + gxt + " is left as it was\n");
    EXPECT_EQ(ReadFileBytes(gxt), recoded);
    EXPECT_EQ(ReadFileBytes(gxt + "_"), kSmall);

    // With -o the input is not touched and gets no backup.
    const std::string in = dir.file("in.gxt"), out = dir.file("out.gxt");
    WriteFileBytes(in, kSmall);
    EXPECT_EQ(runCli({"recode", "buka-to-pirate", in, "-o", out}).out,
              "recoded 1 of 6 texts; saved " + out + "\n");
    EXPECT_EQ(ReadFileBytes(in), kSmall);
    EXPECT_FALSE(FileExists(in + "_"));
    EXPECT_EQ(LoadGxtFile(out).text(0), PirateText("ДА"));

    const std::string odd = GxtBuilder().gapBeforeStrings("\x11\x22").add("a", "first").addShared("b", 0)
                                .trailing("tail").build();
    WriteFileBytes(in, odd);
    EXPECT_EQ(runCli({"resave", in}).status, 0);
    EXPECT_EQ(ReadFileBytes(in), BuildGxtImage(ParseGxt(odd, "odd")));
    EXPECT_EQ(ReadFileBytes(in + "_"), odd);
}

TEST_F(Cli, BadCommandLinesAndBadFilesExitWithAReason)
{
    const std::string damaged = dir.file("damaged.gxt"), missing = dir.file("missing.gxt");
    WriteFileBytes(damaged, "GBLE\x64\0TKEY"s);  // 10 bytes
    const std::tuple<Names, int, std::string> cases[] = {
        {{}, 2, "no command given"},
        {{"info"}, 2, "missing file\nusage: zarnik-cli info FILE.gxt\n"},
        {{"list", gxt, "--mode", "klingon"}, 2, "unknown mode 'klingon'"},
#ifdef _WIN32  // the reason is the system's text, in the system's language
        {{"info", missing}, 1, "zarnik-cli: cannot open " + missing + ": "},
#else
        {{"info", missing}, 1, "zarnik-cli: cannot open " + missing + ": No such file or directory\n"},
#endif
        {{"list", damaged}, 1, damaged + " is damaged: file is shorter than its 14-byte header\n"},
        {{"resave", gxt, "-o", gxt + "/inside.gxt"}, 1, "cannot create a temporary file for " + gxt},
    };
    for (const auto& [args, status, message] : cases) {
        const Result r = runCli(args);
        EXPECT_EQ(r.status, status) << message;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(message), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("usage: zarnik-cli ") != std::string::npos, status == 2) << r.err;
    }
    EXPECT_EQ(files(), 2);
    EXPECT_EQ(ReadFileBytes(gxt), kSmall);
}

// Under a file-size limit every write fails part-way: no half-written file, no temporary
// file, the previous contents intact, and an error instead of a SIGXFSZ death.
TEST_F(Cli, WriteFailuresLeaveNoPartialFile)
{
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no per-process file-size limit to provoke a failed write with";
#endif
    GxtBuilder many('R');
    for (int i = 0; i < 200; ++i)
        many.add("key" + std::to_string(i), PirateText("ПРИВЕТ ИЗ ФАЙЛА"));
    const std::string bytes = many.build(), txt = dir.file("small.txt");
    WriteFileBytes(gxt, bytes);
    WriteFileBytes(txt, "previous");
    WriteFileBytes(gxt + "_", "older backup");
    ASSERT_GT(BuildTextExport(LoadGxtFile(gxt)).size(), 4096u);

    const std::pair<Names, std::string> cases[] = {
        {{"export", gxt}, txt}, {{"recode", "pirate-to-buka", gxt}, gxt}, {{"list", gxt}, "standard output"}};
    for (const auto& [args, target] : cases) {
        const Result r = runCli(args, 8);  // 4096 bytes
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "zarnik-cli: cannot write " + target + ": File too large\n");
    }
    EXPECT_EQ(ReadFileBytes(gxt), bytes);
    EXPECT_EQ(ReadFileBytes(gxt + "_"), "older backup");
    EXPECT_EQ(ReadFileBytes(txt), "previous");
    EXPECT_EQ(files(), 3);
}

#ifndef _WIN32  // symbolic links and named pipes as Linux has them
// Names that are not plain files: a link is followed and stays a link, a pipe or a device
// is written into by an export and never replaced by a save.
TEST_F(Cli, LinksPipesAndStandardOutput)
{
    fs::create_directory(dir.file("real"));
    const std::string real = dir.file("real/texts.gxt"), link = dir.file("link.gxt");
    fs::rename(gxt, real);
    fs::create_symlink("real/texts.gxt", link);
    Result r = runCli({"resave", link});
    EXPECT_EQ(r.out, "saved " + link + " (the file it links to, " + real +
                         "); the previous file is kept as " + real + "_\n") << r.err;
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadFileBytes(real + "_"), kSmall);
    EXPECT_FALSE(FileExists(link + "_"));

    const std::string expected = BuildTextExport(LoadGxtFile(real));
    // "-" and /dev/stdout: the export alone on standard output, to a file or a pipe.
    EXPECT_EQ(runCli({"export", real, "-"}).out, expected);
    EXPECT_EQ(runCliPiped({"export", real, "-"}).out, expected);
    r = runCliPiped({"export", real, "/dev/stdout"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, expected);

    const std::string fifo = dir.file("pipe");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    std::string received;
    std::thread reader([&] { received = ReadFileBytes(fifo); });
    r = runCli({"export", real, fifo});
    if (r.status != 0)
        ::close(::open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    reader.join();
    EXPECT_EQ(r.out, "exported 6 entries to " + fifo + "\n") << r.err;
    EXPECT_EQ(received, expected);

    r = runCli({"resave", real, "-o", fifo});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "zarnik-cli: " + fifo + " is not a regular file but a pipe, device or socket; "
                     "nothing was written\n");
    EXPECT_TRUE(fs::is_fifo(fifo));
    EXPECT_EQ(files(), 3);
}
#endif

// Long names: the temporary file's name never makes a save fail; a name whose backup name
// cannot exist is refused before anything is written.
TEST_F(Cli, LongNames)
{
#ifdef _WIN32
    GTEST_SKIP() << "these paths pass 260 characters, which needs a long-path manifest on Windows";
#endif
    const std::string long245 = dir.file(std::string(241, 'n') + ".gxt");
    WriteFileBytes(long245, kSmall);
    Result r = runCli({"resave", long245});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(long245 + "_"), kSmall);

    const std::string long255 = dir.file(std::string(251, 'n') + ".gxt");
    WriteFileBytes(long255, kSmall);
    const long before = files();
    r = runCli({"recode", "pirate-to-buka", long255});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("the name of its backup (with \"_\" appended) is longer than the file "
                         "system allows"), std::string::npos) << r.err;
    EXPECT_EQ(files(), before);
    EXPECT_EQ(ReadFileBytes(long255), kSmall);
}

TEST(CliHelp, HelpAndVersion)
{
    const std::string version = runCli({"--version"}).out;
    EXPECT_TRUE(version.starts_with("zarnik-cli " ZARNIK_VERSION "\nCopyright (C) 20")) << version;
    EXPECT_NE(version.find("\nLicense GPLv3+: GNU GPL version 3 or later"), std::string::npos)
        << version;
    const std::string help = runCli({"help", "recode"}).out;
    EXPECT_TRUE(help.starts_with("usage: zarnik-cli recode ")) << help;
    EXPECT_EQ(runCli({"recode", "--help"}).out, help);
}

namespace {

#ifndef _WIN32
// The peak resident memory of one run of the tool, in bytes, from the kernel's account of
// the finished child. The child is a fork of this small test program until it starts the tool.
long peakBytesOf(std::vector<std::string> args)
{
    const std::string tool = ZARNIK_CLI;
    args.insert(args.begin(), tool);
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int null = ::open("/dev/null", O_RDWR);
        ::dup2(null, 0);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(tool.c_str(), argv.data());
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    ::wait4(pid, &status, 0, &usage);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << args[1] << " " << args[2];
    return usage.ru_maxrss * 1024L;
}

#endif

bool isReadOnly(const std::string& path)
{
    using std::filesystem::perms;
    return (std::filesystem::status(NativePath(path)).permissions() & perms::owner_write) == perms::none;
}

void makeReadOnly(const std::string& path)
{
    using std::filesystem::perms;
    std::filesystem::permissions(NativePath(path), perms::owner_write | perms::group_write | perms::others_write,
                                 std::filesystem::perm_options::remove);
}

}  // namespace

#ifndef _WIN32
// Files built to make a loader hold far more than they weigh: one string shared by
// every key (a long one, an empty one, one of control characters that every translation
// format escapes), keys on successive units of one long string (each a tail of the one
// before), keys at odd and even places, keys in no order. Reading them stays within four
// times the file's size; holding every key's text apart took 10 to 40 times. So does
// extracting them to PO and TSV (where the file written stays small enough for a test),
// which took up to 135 times with the whole translation held in memory.
TEST(CliMemory, InfoAndExtractStayWithinFourTimesTheFileOnHostileFiles)
{
    if (std::getenv("ZARNIK_CLI_UNDER_TEST"))
        GTEST_SKIP() << "the sanitizers' own memory would swamp the figure";
    TempDir dir;
    WriteFileBytes(dir.file("small.gxt"), kSmall);
    const long baseline = peakBytesOf({"info", dir.file("small.gxt")});

    struct Hostile {
        std::string name;
        uint64_t size;
        bool extract;
    };
    std::vector<Hostile> files;
    auto add = [&](const std::string& name, const std::string& bytes, bool extract = false) {
        WriteFileBytes(dir.file(name), bytes);
        files.push_back({name, bytes.size(), extract});
    };
    add("shared.gxt", GxtImageOnOffsets(std::vector<uint32_t>(833333, 0), EncodeUnits(std::string(192, 'a'))));
    add("huge.gxt", GxtImageOnOffsets(std::vector<uint32_t>(32, 0), EncodeUnits(std::string(5000000, 'b'))));
    add("empty.gxt", GxtImageOnOffsets(std::vector<uint32_t>(1000000, 0), EncodeUnits("")), true);
    {
        std::string control;
        for (int i = 0; i < 500000; ++i)
            control += static_cast<char>(1 + i % 31);
        add("control.gxt", GxtImageOnOffsets(std::vector<uint32_t>(16, 0), EncodeUnits(control)), true);
    }
    {
        std::vector<uint32_t> tails, both;
        for (uint32_t k = 0; k < 15; ++k)
            tails.push_back(2 * k);
        for (uint32_t k = 0; k < 12; ++k)
            both.push_back(k);
        add("tails.gxt", GxtImageOnOffsets(tails, EncodeUnits(std::string(1000000, 'c'))), true);
        add("parity.gxt", GxtImageOnOffsets(both, std::string(2000000, 'd') + "\0\0"s));
    }
    {
        std::vector<uint32_t> scattered(500000);
        std::string data;
        for (int s = 0; s < 20000; ++s)
            data += EncodeUnits(std::string(20 + s % 80, 'e'));
        uint32_t x = 12345;
        for (uint32_t& o : scattered) {
            x = x * 1103515245u + 12345u;
            o = (x >> 8) % static_cast<uint32_t>(data.size());
        }
        add("scattered.gxt", GxtImageOnOffsets(scattered, data));
    }

    // The children start as copies of this process: give back what building the files took.
    ::malloc_trim(0);
    for (const Hostile& f : files) {
        std::vector<std::vector<std::string>> runs = {{"info", dir.file(f.name)}};
        for (const char* out : {"out.po", "out.tsv"})
            if (f.extract)
                runs.push_back({"extract", dir.file(f.name), "-o", dir.file(out)});
        for (const auto& run : runs) {
            const long peak = peakBytesOf(run);
            EXPECT_LE(peak - baseline, static_cast<long>(4 * f.size))
                << run[0] << " " << f.name << ": " << f.size << " bytes, peak " << peak << ", baseline " << baseline;
        }
    }
}
#endif

// The failures that a Windows machine can stage as well as a Linux one, so they run on both.
TEST_F(Cli, FailureDrillsOfEverySystem)
{
    // A read-only file and a read-only backup are replaced as the editor's save replaces
    // them (on Windows their attribute is cleared first); the file stays read-only.
    WriteFileBytes(gxt + "_", "older backup");
    makeReadOnly(gxt);
    makeReadOnly(gxt + "_");
    Result r = runCli({"resave", gxt});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(gxt), BuildGxtImage(ParseGxt(kSmall, "small")));
    EXPECT_EQ(ReadFileBytes(gxt + "_"), kSmall);
    EXPECT_TRUE(isReadOnly(gxt));
    // So is a read-only export.
    const std::string txt = dir.file("small.txt");
    WriteFileBytes(txt, "previous");
    makeReadOnly(txt);
    EXPECT_EQ(runCli({"export", gxt}).status, 0);
    EXPECT_EQ(ReadFileBytes(txt), BuildTextExport(LoadGxtFile(gxt)));
    EXPECT_EQ(files(), 3);

    // A folder where the file should be is left alone, with whatever it holds.
    const std::string folder = dir.file("folder.gxt");
    std::filesystem::create_directory(NativePath(folder));
    WriteFileBytes(folder + "/inside", "kept");
    r = runCli({"resave", gxt, "-o", folder});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot move the new file into place as " + folder + ": "), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(folder + "/inside"), "kept");

    // A folder that does not exist.
    const std::string lost = dir.file("missing/out.txt");
    r = runCli({"export", gxt, lost});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot create a temporary file for " + lost + ": "), std::string::npos) << r.err;

    // A backup that cannot be deleted (its name taken by a folder that is not empty):
    // nothing is written, the file and the folder stay as they were.
    const std::string before = ReadFileBytes(gxt);
    std::filesystem::permissions(NativePath(gxt + "_"), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    std::filesystem::remove(NativePath(gxt + "_"));
    std::filesystem::create_directory(NativePath(gxt + "_"));
    WriteFileBytes(gxt + "_/inside", "kept");
    r = runCli({"recode", "pirate-to-buka", gxt});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot replace the backup " + gxt + "_: "), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(gxt), before);
    EXPECT_EQ(ReadFileBytes(gxt + "_/inside"), "kept");
    EXPECT_EQ(files(), 4) << "a temporary file was left behind";

#ifdef _WIN32
    // The Windows way a backup cannot be deleted: another program has it open.
    std::filesystem::remove_all(NativePath(gxt + "_"));
    WriteFileBytes(gxt + "_", "held open");
    const HANDLE held = ::CreateFileW(win::Widen(gxt + "_").c_str(), GENERIC_READ, 0, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    r = runCli({"resave", gxt});
    ::CloseHandle(held);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("cannot replace the backup " + gxt + "_: "), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(gxt), before);
    EXPECT_EQ(ReadFileBytes(gxt + "_"), "held open");
    EXPECT_EQ(files(), 4);
#endif
}

// Cyrillic names reach the system intact, both ways: in arguments and in messages.
TEST_F(Cli, CyrillicFileNames)
{
    const std::string named = dir.file("тексты.gxt");
    WriteFileBytes(named, kSmall);
    Result r = runCli({"info", named});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out.starts_with("Language:                R\nEntries:                 6\n")) << r.out;
    EXPECT_EQ(runCli({"export", named}).out, "exported 6 entries to " + dir.file("тексты.txt") + "\n");
    EXPECT_EQ(ReadFileBytes(dir.file("тексты.txt")), BuildTextExport(LoadGxtFile(named)));
    EXPECT_EQ(runCli({"recode", "pirate-to-buka", named, "-o", dir.file("вывод.gxt")}).status, 0);
    EXPECT_EQ(std::string(LoadGxtFile(dir.file("вывод.gxt")).text(1)), BukaText("НЕТ"));
#ifdef _WIN32
    // Typed with backslashes, as Windows users do: the temporary file and the backup still
    // go beside the file.
    std::string backslashed = named;
    std::replace(backslashed.begin(), backslashed.end(), '/', '\\');
    r = runCli({"resave", backslashed});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadFileBytes(named + "_"), kSmall);
    EXPECT_EQ(files(), 5);
#endif

    const std::string missing = dir.file("нет такого.gxt");
    r = runCli({"list", missing});
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.err.starts_with("zarnik-cli: cannot open " + missing + ": ")) << r.err;
}
