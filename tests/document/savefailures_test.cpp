#include "faultyfs.h"
#include "gxtbuilder.h"
#include "gxtdocument.h"
#include "tempdir.h"
#include "textexport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarnik;
using namespace zarnik::testing;

namespace {

size_t filesIn(const std::string& dir)
{
    size_t n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir))
        ++n;
    return n;
}

}  // namespace

// Each failing step leaves the user's file and its backup as they were, leaves no
// temporary file behind, reports the step, and leaves the document's sizes alone.
TEST(SaveFailures, EveryStepLeavesTheOriginalIntact)
{
    const FileStep steps[] = {FileStep::CreateTemp, FileStep::Write, FileStep::DeleteBackup,
                              FileStep::RenameToBackup, FileStep::MoveIntoPlace};
    for (FileStep step : steps) {
        SCOPED_TRACE(static_cast<int>(step));
        TempDir dir;
        const std::string path = dir.file("texts.gxt");
        const std::string original = GxtBuilder().add("a", "original").build();
        const std::string oldBackup = GxtBuilder().add("a", "older").build();
        WriteFileBytes(path, original);
        WriteFileBytes(path + "_", oldBackup);

        GxtDocument doc = LoadGxtFile(path);
        doc.setText(0, "a much longer replacement text");
        const uint32_t sizeBefore = doc.dataSize();

        FaultyFileSystem fs;
        fs.failStep = step;
        fs.failErrno = step == FileStep::Write ? ENOSPC : EACCES;
        try {
            SaveGxtFile(doc, path, fs);
            FAIL() << "the save must report the failure";
        } catch (const FileError& e) {
            EXPECT_EQ(e.step(), step);
            EXPECT_FALSE(e.russianMessage().empty());
        }
        EXPECT_GE(fs.calls, 1);
        EXPECT_EQ(ReadFileBytes(path), original);
        // The older backup is given up only once the new image is complete on disk.
        const bool backupKept = step == FileStep::CreateTemp || step == FileStep::Write ||
                                step == FileStep::DeleteBackup;
        if (backupKept) {
            EXPECT_EQ(ReadFileBytes(path + "_"), oldBackup);
        }
        EXPECT_EQ(filesIn(dir.path()), backupKept ? 2u : 1u)
            << "no temporary file may be left behind";
        EXPECT_EQ(doc.dataSize(), sizeBefore);
    }
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
            EXPECT_EQ(filesIn(dir.path()), hadTarget ? 1u : 0u);
        }
    }
    WriteFileBytes(target, "previous export");
    // A target that is a folder cannot be replaced.
    std::filesystem::create_directory(dir.file("folder.txt"));
    EXPECT_THROW(ExportTextFile(doc, dir.file("folder.gxt")), FileError);
    EXPECT_EQ(ExportTextFile(doc, dir.file("out.gxt")), target);
    EXPECT_EQ(ReadFileBytes(target), "a=t\r\n \r\n");
}
