// SPDX-License-Identifier: GPL-3.0-or-later
// What a save does with names that are not plain regular files with short names, and with
// other processes saving or reading the same file at the same time.
#include "faultyfs.h"
#include "gxtbuilder.h"
#include "format/gxtdocument.h"
#include "tempdir.h"
#include "format/textexport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fcntl.h>
#include <grp.h>
#include <csignal>
#include <filesystem>
#include <set>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace zarnik;
using namespace zarnik::testing;
namespace fs = std::filesystem;

namespace {

std::set<std::string> filesIn(const std::string& dir)
{
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

struct stat statOf(const std::string& path)
{
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st;
}

std::string imageWith(const std::string& text, size_t entries = 1)
{
    GxtBuilder b('R');
    for (size_t i = 0; i < entries; ++i)
        b.add("k" + std::to_string(i), text);
    return b.build();
}

void save(const std::string& path, const std::string& image)
{
    GxtDocument doc = ParseGxt(image, path);
    SaveGxtFile(doc, path);
}

}  // namespace

TEST(SafeSave, SymbolicLinkIsFollowedAndStaysALink)
{
    TempDir dir;
    fs::create_directory(dir.file("real"));
    const std::string real = dir.file("real/texts.gxt"), link = dir.file("link.gxt");
    WriteFileBytes(real, imageWith("first"));
    ::chmod(real.c_str(), 0640);
    fs::create_symlink("real/texts.gxt", link);  // relative to the link's folder

    for (const char* text : {"second", "third"}) {
        GxtDocument doc = LoadGxtFile(link);
        const std::string before = ReadFileBytes(real);
        doc.setText(0, text);
        const SaveOutcome outcome = SaveGxtFile(doc, link);
        EXPECT_EQ(outcome.path, dir.file("real/texts.gxt"));
        EXPECT_EQ(outcome.backup, real + "_");
        ASSERT_TRUE(fs::is_symlink(link));
        EXPECT_EQ(fs::read_symlink(link), "real/texts.gxt");
        EXPECT_EQ(Text(LoadGxtFile(real).text(0)), text);
        EXPECT_EQ(ReadFileBytes(real + "_"), before);
        EXPECT_FALSE(fs::is_symlink(real + "_"));
        EXPECT_EQ(statOf(real).st_mode & 07777, 0640u);
    }
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"link.gxt", "real"}));
    EXPECT_EQ(filesIn(dir.file("real")), (std::set<std::string>{"texts.gxt", "texts.gxt_"}));

    // A chain of links ends at the file; a link to nowhere creates the file it names.
    fs::create_symlink(link, dir.file("chain.gxt"));
    save(dir.file("chain.gxt"), imageWith("via chain"));
    EXPECT_EQ(Text(LoadGxtFile(real).text(0)), "via chain");
    fs::create_symlink(dir.file("real/new.gxt"), dir.file("dangling.gxt"));
    save(dir.file("dangling.gxt"), imageWith("new"));
    EXPECT_EQ(Text(LoadGxtFile(dir.file("real/new.gxt")).text(0)), "new");
    EXPECT_TRUE(fs::is_symlink(dir.file("dangling.gxt")));

    // A loop of links is refused with a reason, and nothing is written.
    fs::create_symlink("loop2.gxt", dir.file("loop1.gxt"));
    fs::create_symlink("loop1.gxt", dir.file("loop2.gxt"));
    const auto before = filesIn(dir.path());
    try {
        save(dir.file("loop1.gxt"), imageWith("x"));
        ADD_FAILURE() << "a loop of links must be refused";
    } catch (const FileError& e) {
        EXPECT_EQ(e.sysError(), ELOOP);
    }
    EXPECT_EQ(filesIn(dir.path()), before);
}

// A pipe, a socket or a device is never replaced: a .gxt save refuses and writes
// nothing; an export writes straight into it.
TEST(SafeSave, SpecialFilesAreNeverReplaced)
{
    TempDir dir;
    const std::string fifo = dir.file("pipe.gxt");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    GxtDocument doc = ParseGxt(imageWith("text"), "t");
    try {
        SaveGxtFile(doc, fifo);
        ADD_FAILURE() << "a save into a pipe must be refused";
    } catch (const FileError& e) {
        EXPECT_EQ(e.step(), FileStep::NotRegularFile);
        EXPECT_NE(e.russianMessage().find("не обычный файл"), std::string::npos);
    }
    // A backup name that is a pipe is refused before anything is written, too.
    const std::string gxt = dir.file("texts.gxt");
    WriteFileBytes(gxt, imageWith("old"));
    ASSERT_EQ(::mkfifo((gxt + "_").c_str(), 0600), 0);
    EXPECT_THROW(SaveGxtFile(doc, gxt), FileError);
    EXPECT_EQ(ReadFileBytes(gxt), imageWith("old"));
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"pipe.gxt", "texts.gxt", "texts.gxt_"}));

    // The export into the pipe reaches whoever reads it; the pipe stays a pipe.
    std::string received;
    std::thread reader([&] { received = ReadFileBytes(fifo); });
    try {
        EXPECT_EQ(ExportTextFile(doc, dir.file("pipe.gxt")), dir.file("pipe.txt"));
        ReplaceFileSafely(fifo, BuildTextExport(doc), BackupPolicy::None, RealFileSystem(),
                          SpecialTarget::WriteInto);
    } catch (const FileError& e) {
        ADD_FAILURE() << e.what();
        ::close(::open(fifo.c_str(), O_WRONLY));  // let the reader go
    }
    reader.join();
    EXPECT_EQ(received, "k0=text\r\n \r\n");
    EXPECT_TRUE(S_ISFIFO(statOf(fifo).st_mode));

    // A socket cannot be opened at all: a clear error, and it stays.
    const std::string sock = dir.file("sock.txt");
    const int s = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", sock.c_str());
    ASSERT_EQ(::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_THROW(ExportTextFile(doc, dir.file("sock.gxt")), FileError);
    EXPECT_TRUE(S_ISSOCK(statOf(sock).st_mode));
    ::close(s);

    // A device of our own making (the twin of /dev/null), where root may make one.
    const std::string null = dir.file("null.gxt");
    if (::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_THROW(SaveGxtFile(doc, null), FileError);
        ReplaceFileSafely(null, "discarded", BackupPolicy::None, RealFileSystem(),
                          SpecialTarget::WriteInto);
        EXPECT_TRUE(S_ISCHR(statOf(null).st_mode));
        EXPECT_FALSE(FileExists(null + "_"));
    }
}

// Temporary names are short whatever the file's name; a name whose backup name would not
// fit is refused before anything is written.
TEST(SafeSave, LongNames)
{
    TempDir dir;
    const size_t limit = RealFileSystem().maxNameLength(dir.path());
    ASSERT_GE(limit, 200u);
    // 127 two-byte Cyrillic letters: the backup's name is exactly at the limit here.
    std::string cyrillic;
    while (cyrillic.size() + 2 <= limit - 1)
        cyrillic += "ж";
    const std::string fits = dir.file(cyrillic);
    WriteFileBytes(fits, imageWith("old"));
    save(fits, imageWith("new"));
    EXPECT_EQ(ReadFileBytes(fits), imageWith("new"));
    EXPECT_EQ(ReadFileBytes(fits + "_"), imageWith("old"));

    const std::string tooLong = dir.file(std::string(limit, 'a'));
    WriteFileBytes(tooLong, imageWith("old"));
    const auto before = filesIn(dir.path());
    try {
        save(tooLong, imageWith("new"));
        ADD_FAILURE() << "a backup name that cannot exist must be refused";
    } catch (const FileError& e) {
        EXPECT_EQ(e.step(), FileStep::BackupName);
        EXPECT_NE(e.russianMessage().find("не записан"), std::string::npos);
    }
    EXPECT_EQ(filesIn(dir.path()), before);
    EXPECT_EQ(ReadFileBytes(tooLong), imageWith("old"));
    // Without a backup (an export, the settings) such a name is fine.
    ReplaceFileSafely(tooLong, "plain", BackupPolicy::None);
    EXPECT_EQ(ReadFileBytes(tooLong), "plain");
}

// The new file keeps the old one's owner, group and mode, and its temporary file is never
// readable by anybody the file is not readable by.
TEST(SafeSave, OwnerGroupAndModeAreKept)
{
    TempDir dir;
    const std::string path = dir.file("texts.gxt");
    WriteFileBytes(path, imageWith("old"));
    const bool root = ::geteuid() == 0;
    const uid_t owner = root ? 4321 : ::geteuid();
    const gid_t group = root ? 8765 : ::getegid();
    ASSERT_EQ(::chown(path.c_str(), owner, group), 0);
    ASSERT_EQ(::chmod(path.c_str(), 0640), 0);

    int tempsSeen = 0;
    FaultyFileSystem watcher;
    watcher.onCreated = [&](const std::string& temp) {
        const struct stat st = statOf(temp);
        EXPECT_EQ(st.st_mode & 07777 & ~0640u, 0u) << "the temporary file is readable by more users";
        EXPECT_EQ(st.st_uid, owner);
        EXPECT_EQ(st.st_gid, group);
        ++tempsSeen;
    };
    GxtDocument doc = ParseGxt(imageWith("new"), "t");
    SaveGxtFile(doc, path, watcher);
    EXPECT_EQ(tempsSeen, 1);
    for (const std::string& file : {path, path + "_"}) {
        const struct stat st = statOf(file);
        EXPECT_EQ(st.st_uid, owner) << file;
        EXPECT_EQ(st.st_gid, group) << file;
        EXPECT_EQ(st.st_mode & 07777, 0640u) << file;
    }
    EXPECT_EQ(ReadFileBytes(path + "_"), imageWith("old"));

    // The copied backup (no hard links) is no more open than the file either.
    ASSERT_EQ(::chmod(path.c_str(), 0600), 0);
    watcher.failStep = FileStep::MakeBackup;
    watcher.onCreated = [&](const std::string& temp) {
        EXPECT_EQ(statOf(temp).st_mode & 07777 & ~0600u, 0u);
        ++tempsSeen;
    };
    SaveGxtFile(doc, path, watcher);
    EXPECT_EQ(tempsSeen, 3);
    EXPECT_EQ(statOf(path + "_").st_mode & 07777, 0600u);
    EXPECT_EQ(statOf(path + "_").st_uid, owner);

    // A user who may not keep the file's group gives the group no more than everybody else.
    if (root) {
        const std::string shared = dir.file("shared.gxt");
        WriteFileBytes(shared, imageWith("old"));
        ASSERT_EQ(::chown(shared.c_str(), 65534, 0), 0);
        ASSERT_EQ(::chmod(shared.c_str(), 0640), 0);
        ASSERT_EQ(::chmod(dir.path().c_str(), 0777), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
                ::_exit(2);
            try {
                save(shared, imageWith("new"));
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        ASSERT_EQ(WEXITSTATUS(status), 0);
        EXPECT_EQ(statOf(shared).st_gid, 65534u);
        EXPECT_EQ(statOf(shared).st_mode & 07777, 0600u);
    }
}

// A process killed by a signal in the middle of its saves: the name always holds a
// complete file, and the next save clears away what the killed one left.
TEST(SafeSave, RealKillMidSave)
{
    TempDir dir;
    const std::string path = dir.file("texts.gxt");
    const std::string a = imageWith(std::string(190, 'a'), 5000), b = imageWith(std::string(190, 'b'), 5000);
    const std::string original = imageWith("original");
    WriteFileBytes(path, original);
    GxtDocument docs[] = {ParseGxt(a, "a"), ParseGxt(b, "b")};
    int leftovers = 0;
    for (int round = 0; round < 12; ++round) {
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                for (int i = 0;; ++i) {
                    SaveGxtFile(docs[i % 2], path);
                    if (i == 0 && ::write(ready[1], "", 1) != 1)
                        ::_exit(2);
                }
            } catch (...) {
                ::_exit(1);
            }
        }
        // Strike somewhere in the saves that follow the first.
        char byte;
        ASSERT_EQ(::read(ready[0], &byte, 1), 1);
        ::close(ready[0]);
        ::close(ready[1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(1 + 13 * round % 60));
        ::kill(child, SIGKILL);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the saving process ended by itself";
        const std::string now = ReadFileBytes(path);
        EXPECT_TRUE(now == a || now == b || now == original) << "round " << round;
        leftovers += filesIn(dir.path()).size() > 2;
    }
    EXPECT_GT(leftovers, 0) << "no kill fell inside a save";
    save(path, original);
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"texts.gxt", "texts.gxt_"}));
}

// Two processes saving the same file over and over while a third reads it: the reader
// never finds the name missing and always reads one complete image; no saver fails.
TEST(SafeSave, ConcurrentSaversAndAReader)
{
    TempDir dir;
    const std::string path = dir.file("texts.gxt");
    const std::string images[] = {imageWith("original"), imageWith("first saver", 2000),
                                  imageWith("second saver", 3000), imageWith("first again", 1500),
                                  imageWith("second again", 2500)};
    WriteFileBytes(path, images[0]);
    GxtDocument docs[5];
    for (int i = 0; i < 5; ++i)
        docs[i] = ParseGxt(images[i], "image");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(8);
    pid_t savers[2];
    for (int s = 0; s < 2; ++s) {
        savers[s] = ::fork();
        ASSERT_GE(savers[s], 0);
        if (savers[s] == 0) {
            try {
                for (int i = 0; i < 300 && std::chrono::steady_clock::now() < deadline; ++i)
                    SaveGxtFile(docs[1 + s + 2 * (i % 2)], path);
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
    }
    int reads = 0, missing = 0, torn = 0, running = 2;
    int status[2] = {-1, -1};
    while (running > 0) {
        try {
            const std::string now = ReadWholeFile(path);
            ++reads;
            if (std::find(std::begin(images), std::end(images), now) == std::end(images))
                ++torn;
        } catch (const FileError&) {
            ++missing;
        }
        for (int s = 0; s < 2; ++s)
            if (status[s] == -1 && ::waitpid(savers[s], &status[s], WNOHANG) == savers[s])
                --running;
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(torn, 0);
    EXPECT_GT(reads, 100);
    for (int s = 0; s < 2; ++s)
        EXPECT_TRUE(WIFEXITED(status[s]) && WEXITSTATUS(status[s]) == 0) << "saver " << s << " failed";
    EXPECT_EQ(filesIn(dir.path()), (std::set<std::string>{"texts.gxt", "texts.gxt_"}));
}

// A whole-file read stops one byte past its limit: a device without end is refused
// instead of read until memory runs out, and so is a file one byte too long.
TEST(ReadWholeFile, StopsOncePastTheLimit)
{
    TempDir dir;
    constexpr uint64_t kLimit = 300000;  // more than the first guess for a file of unknown size
    WriteFileBytes(dir.file("limit"), std::string(kLimit, 'x'));
    WriteFileBytes(dir.file("over"), std::string(kLimit + 1, 'x'));
    const struct {
        std::string path;
        bool refused;
    } cases[] = {{"/dev/zero", true}, {dir.file("over"), true}, {dir.file("limit"), false}};
    for (const auto& c : cases) {
        std::string data;
        const auto resize = [&data](uint64_t n) {
            data.resize(n);
            return data.data();
        };
        try {
            ReadWholeFileInto(c.path, resize, kLimit);
            EXPECT_FALSE(c.refused) << c.path;
            EXPECT_EQ(data.size(), kLimit);
        } catch (const FileError& e) {
            EXPECT_TRUE(c.refused) << c.path;
            EXPECT_EQ(e.step(), FileStep::TooLarge);
            EXPECT_LE(data.size(), kLimit + 1) << c.path;
        }
    }
}
