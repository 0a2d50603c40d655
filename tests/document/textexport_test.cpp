#include "encodings.h"
#include "gxtbuilder.h"
#include "gxtdocument.h"
#include "tempdir.h"
#include "textexport.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>

using namespace zarnik;
using namespace zarnik::testing;

namespace {

GxtDocument parse(const std::string& bytes)
{
    return ParseGxt(bytes, "test.gxt");
}

std::string key(const char* bytes, size_t n)
{
    return std::string(bytes, n);
}

}  // namespace

TEST(TextExport, EmptyDocumentGivesAnEmptyFile)
{
    const GxtDocument doc = parse(GxtBuilder().build());
    EXPECT_EQ(BuildTextExport(doc), "");

    TempDir dir;
    WriteFileBytes(dir.file("none.txt"), "an earlier, longer export");
    EXPECT_EQ(ExportTextFile(doc, dir.file("none.gxt")), dir.file("none.txt"));
    EXPECT_EQ(ReadFileBytes(dir.file("none.txt")), "");
}

TEST(TextExport, LinesByteForByte)
{
    GxtDocument doc = parse(GxtBuilder('R')
                                .add("car1", "\xC1\xD0\xC0")         // Buka АБВ
                                .add("empty", "")
                                .add("BONUS", "S!x")                 // capitals only
                                .add(key("B25\0rcy\0", 8), "a")      // leftovers after a zero
                                .add(key("M\0\0\0\0\0\0" "9", 8), "b")  // a digit in the last byte
                                .add("gang_1", "\xE2\xF1")           // Buka аб
                                .add("abcdefgh", "#ENTER# 5000$")
                                // Pirate bytes are not Buka bytes: they pass unchanged.
                                // Buka CF and F0 stand for two letters each; the first wins.
                                .add("pir", "\x80\x90\xA0 \xCF\xF0")
                                .build());
    const std::string expected =
        "car1=\xC0\xC1\xC2\r\n \r\n"
        "empty=\r\n \r\n"
        "=S!x\r\n \r\n"
        "25rcy=a\r\n \r\n"
        "9=b\r\n \r\n"
        "gang1=\xE0\xE1\r\n \r\n"
        "abcdefgh=#ENTER# 5000$\r\n \r\n"
        "pir=\x80\x90\xA0 \xDC\xFC\r\n \r\n";
    EXPECT_EQ(BuildTextExport(doc), expected);

    // The texts as edited are exported, not the texts as loaded.
    doc.CurrentTexts[1] = "\xC1";
    EXPECT_NE(BuildTextExport(doc).find("empty=\xC0\r\n"), std::string::npos);
    EXPECT_EQ(doc.LoadedTexts[1], "");
}

TEST(TextExport, TargetReplacesTheExtension)
{
    EXPECT_EQ(ExportTargetFor("/d/texts.gxt"), "/d/texts.txt");
    EXPECT_EQ(ExportTargetFor("/d/texts.txt"), "/d/texts.txt");
    EXPECT_EQ(ExportTargetFor("/d/texts.TXT"), "/d/texts.txt");
    EXPECT_EQ(ExportTargetFor("/d/a.b.gxt"), "/d/a.b.txt");
    EXPECT_EQ(ExportTargetFor("/d/texts."), "/d/texts.txt");
    EXPECT_EQ(ExportTargetFor("/d/texts"), "/d/texts.txt");
    EXPECT_EQ(ExportTargetFor("texts"), "texts.txt");
    EXPECT_EQ(ExportTargetFor("texts.gxt"), "texts.txt");
    // A dot in a folder's name is not the file's extension.
    EXPECT_EQ(ExportTargetFor("/games/gta2.ru/data/texts"), "/games/gta2.ru/data/texts.txt");
    EXPECT_EQ(ExportTargetFor("/games/gta2.ru/texts.gxt"), "/games/gta2.ru/texts.txt");
}

TEST(TextExport, WritesTheTargetAndLeavesTheChosenFileAlone)
{
    TempDir dir;
    const std::string folder = dir.file("gta2.ru");
    std::filesystem::create_directory(folder);
    const std::string gxt = GxtBuilder('R').add("car1", "\xC1\xD0\xC0").build();
    WriteFileBytes(folder + "/texts.gxt", gxt);
    const GxtDocument doc = LoadGxtFile(folder + "/texts.gxt");

    // An earlier export, even a read-only one, is replaced as a whole.
    WriteFileBytes(folder + "/texts.txt", std::string(1000, 'x'));
    ::chmod((folder + "/texts.txt").c_str(), 0444);
    EXPECT_EQ(ExportTextFile(doc, folder + "/texts.gxt"), folder + "/texts.txt");
    EXPECT_EQ(ReadFileBytes(folder + "/texts.txt"), "car1=\xC0\xC1\xC2\r\n \r\n");
    EXPECT_EQ(ReadFileBytes(folder + "/texts.gxt"), gxt);

    EXPECT_EQ(ExportTextFile(doc, folder + "/plain"), folder + "/plain.txt");
    EXPECT_EQ(ReadFileBytes(folder + "/plain.txt"), "car1=\xC0\xC1\xC2\r\n \r\n");

    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(folder))
        ++files;
    EXPECT_EQ(files, 3u) << "only texts.gxt, texts.txt and plain.txt; no temporary file";
}
