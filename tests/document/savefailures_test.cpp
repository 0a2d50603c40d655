// SPDX-License-Identifier: GPL-3.0-or-later
#include "faultyfs.h"
#include "gxtbuilder.h"
#include "format/gxtdocument.h"
#include "tempdir.h"
#include "format/textexport.h"
#include "files/writeall.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace zarnik;
using namespace zarnik::testing;

namespace {

std::set<std::string> filesIn(const std::string& dir)
{
    std::set<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.insert(e.path().filename().string());
    return names;
}

// A folder holding texts.gxt and an older backup, and a document to save over them.
struct SaveScene {
    TempDir dir;
    const std::string path = dir.file("texts.gxt");
    const std::string original = GxtBuilder().add("a", "original").build();
    const std::string oldBackup = GxtBuilder().add("a", "older").build();
    GxtDocument doc;

    SaveScene()
    {
        WriteFileBytes(path, original);
        WriteFileBytes(path + "_", oldBackup);
        doc = LoadGxtFile(path);
        doc.setText(0, "a much longer replacement text");
    }
    std::string newImage() const { return BuildGxtImage(doc); }
    const std::set<std::string> bothFiles{"texts.gxt", "texts.gxt_"};

    // Either nothing happened or everything did; never anything in between.
    void expectUnchangedOrSaved(bool saved) const
    {
        EXPECT_EQ(ReadFileBytes(path), saved ? newImage() : original);
        EXPECT_EQ(ReadFileBytes(path + "_"), saved ? original : oldBackup);
        EXPECT_EQ(filesIn(dir.path()), bothFiles) << "a temporary file was left behind";
    }
};

int changesOfACleanSave()
{
    SaveScene scene;
    FaultyFileSystem counter;
    SaveGxtFile(scene.doc, scene.path, counter);
    return counter.changes;
}

}  // namespace

// Each named step failing: the file and its backup as they were, no temporary file, the
// step reported, the document's sizes untouched.
TEST(SaveFailures, EveryStepLeavesTheOriginalIntact)
{
    for (FileStep step : {FileStep::CreateTemp, FileStep::Write, FileStep::MoveIntoPlace,
                          FileStep::ReplaceBackup}) {
        SCOPED_TRACE(static_cast<int>(step));
        SaveScene scene;
        const uint32_t sizeBefore = scene.doc.dataSize();
        FaultyFileSystem fs;
        fs.failStep = step;
        fs.failErrno = step == FileStep::Write ? ENOSPC : EACCES;
        try {
            SaveGxtFile(scene.doc, scene.path, fs);
            ADD_FAILURE() << "the save must report the failure";
        } catch (const FileError& e) {
            EXPECT_EQ(e.step(), step);
            // The message names the user's files, never a temporary one.
            EXPECT_EQ(e.path(), step == FileStep::ReplaceBackup ? scene.path + "_" : scene.path);
        }
        EXPECT_GE(fs.calls, 1);
        scene.expectUnchangedOrSaved(false);
        EXPECT_EQ(scene.doc.dataSize(), sizeBefore);
    }
}

// The same for every single operation of the save in turn, the best-effort ones included:
// the outcome is all or nothing.
TEST(SaveFailures, AnyOperationFailingIsAllOrNothing)
{
    const int operations = changesOfACleanSave();
    ASSERT_GE(operations, 5);
    for (int n = 0; n < operations; ++n) {
        SCOPED_TRACE(n);
        SaveScene scene;
        FaultyFileSystem fs;
        fs.failAt = n;
        bool saved = true;
        try {
            SaveGxtFile(scene.doc, scene.path, fs);
        } catch (const FileError&) {
            saved = false;
        }
        // The one thing a failure may leave is the previous backup, when removing it at the
        // very end is what fails; the next save removes it.
        if (saved && filesIn(scene.dir.path()).size() == 3) {
            EXPECT_EQ(ReadFileBytes(scene.path + "_"), scene.original);
            SaveGxtFile(scene.doc, scene.path);
            EXPECT_EQ(filesIn(scene.dir.path()), scene.bothFiles);
            continue;
        }
        scene.expectUnchangedOrSaved(saved);
    }
}

// A save cut short before any one of its operations (a child process ends there) leaves
// the name holding a complete file, old or new; the next save removes what it left.
#ifndef _WIN32  // needs fork
TEST(SaveFailures, KilledBetweenAnyTwoStepsTheNameHoldsACompleteFile)
{
    const int operations = changesOfACleanSave();
    int leftovers = 0;
    for (int n = 0; n <= operations; ++n) {
        SCOPED_TRACE(n);
        SaveScene scene;
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            FaultyFileSystem fs;
            fs.stopAt = n;
            try {
                SaveGxtFile(scene.doc, scene.path, fs);
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), n == operations ? 0 : FaultyFileSystem::kStopped);

        const std::string now = ReadFileBytes(scene.path);
        EXPECT_TRUE(now == scene.original || now == scene.newImage());
        const std::string backup = ReadFileBytes(scene.path + "_");
        EXPECT_TRUE(backup == scene.oldBackup || backup == scene.original);
        // Once the new file holds the name, the file it replaced is the backup, never
        // only a hidden leftover that the next save removes.
        if (now == scene.newImage()) {
            EXPECT_EQ(backup, scene.original);
        }
        leftovers += filesIn(scene.dir.path()).size() > 2;

        scene.doc.setText(0, "third");
        SaveGxtFile(scene.doc, scene.path);
        EXPECT_EQ(ReadFileBytes(scene.path), scene.newImage());
        EXPECT_EQ(ReadFileBytes(scene.path + "_"), now);
        EXPECT_EQ(filesIn(scene.dir.path()), scene.bothFiles);
    }
    EXPECT_GT(leftovers, 0) << "no stop fell inside the save";
}
#endif

// Without hard links (some file systems), the backup is a copy; the outcome is the same.
TEST(SaveFailures, BackupIsCopiedWhereHardLinksFail)
{
    SaveScene scene;
    FaultyFileSystem fs;
    fs.failStep = FileStep::MakeBackup;
    fs.failErrno = EPERM;
    SaveGxtFile(scene.doc, scene.path, fs);
    EXPECT_GE(fs.calls, 2);  // the link, then the copy
    scene.expectUnchangedOrSaved(true);
}

TEST(SaveFailures, ReadOnlyFolderFailsWithoutTouchingTheFile)
{
    // Root ignores permission bits; a path through a regular file fails for everybody.
    TempDir dir;
    const std::string notADir = dir.file("plain");
    WriteFileBytes(notADir, "x");
    GxtDocument doc = ParseGxt(GxtBuilder().add("a", "t").build(), "t");
    EXPECT_THROW(SaveGxtFile(doc, notADir + "/texts.gxt"), FileError);
    EXPECT_EQ(ReadFileBytes(notADir), "x");
}

TEST(SaveFailures, ExportNeverLeavesAHalfWrittenFile)
{
    TempDir dir;
    const std::string target = dir.file("out.txt");
    WriteFileBytes(target, "previous export");
    GxtDocument doc = ParseGxt(GxtBuilder().add("a", "t").build(), "t");
    for (FileStep step : {FileStep::CreateTemp, FileStep::Write, FileStep::MoveIntoPlace}) {
        for (bool hadTarget : {true, false}) {
            SCOPED_TRACE(static_cast<int>(step) * 10 + hadTarget);
            if (hadTarget)
                WriteFileBytes(target, "previous export");
            else
                std::filesystem::remove(target);
            FaultyFileSystem fs;
            fs.failStep = step;
            try {
                ExportTextFile(doc, dir.file("out.gxt"), fs);
                ADD_FAILURE() << "the export must report the failure";
            } catch (const FileError& e) {
                // The message names the user's file, never our temporary one.
                EXPECT_EQ(e.path(), target);
            }
            if (hadTarget) {
                EXPECT_EQ(ReadFileBytes(target), "previous export");
            }
            EXPECT_EQ(filesIn(dir.path()).size(), hadTarget ? 1u : 0u);
        }
    }
    WriteFileBytes(target, "previous export");
    // A target that is a folder cannot be replaced.
    std::filesystem::create_directory(dir.file("folder.txt"));
    EXPECT_THROW(ExportTextFile(doc, dir.file("folder.gxt")), FileError);
    EXPECT_EQ(ExportTextFile(doc, dir.file("out.gxt")), target);
    EXPECT_EQ(ReadFileBytes(target), "a=t\r\n \r\n");
}

namespace {

#ifdef _WIN32
// Text mode on purpose: the bytes must still arrive untranslated.
int openForWriting(const std::string& path)
{
    return ::_wopen(NativePath(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_TEXT, _S_IREAD | _S_IWRITE);
}
int openForReading(const std::string& path) { return ::_wopen(NativePath(path).c_str(), _O_RDONLY); }
void closeFd(int fd) { ::_close(fd); }
#else
int openForWriting(const std::string& path) { return ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644); }
int openForReading(const std::string& path) { return ::open(path.c_str(), O_RDONLY); }
void closeFd(int fd) { ::close(fd); }
#endif

}  // namespace

TEST(WriteAll, EveryByteArrivesAsGivenAndAFailureNamesTheFileAndStep)
{
    TempDir dir;
    const std::string path = dir.file("written.bin");
    // Line ends and Ctrl-Z, which a text-mode descriptor would change.
    std::string bytes = "line\nCR LF\r\n\x1a end";
    for (int i = 0; i < 100000; ++i)
        bytes += static_cast<char>(i * 7);
    const int fd = openForWriting(path);
    ASSERT_GE(fd, 0);
    WriteAll(fd, bytes, path);
    closeFd(fd);
    EXPECT_EQ(ReadFileBytes(path), bytes);

    const int readOnly = openForReading(path);
    ASSERT_GE(readOnly, 0);
    try {
        WriteAll(readOnly, "more", "the user's file", FileStep::ReplaceBackup);
        ADD_FAILURE() << "writing to a descriptor opened for reading must fail";
    } catch (const FileError& e) {
        EXPECT_EQ(e.step(), FileStep::ReplaceBackup);
        EXPECT_EQ(e.path(), "the user's file");
        EXPECT_NE(e.sysError(), 0);
    }
    closeFd(readOnly);
    EXPECT_EQ(ReadFileBytes(path), bytes);
}
