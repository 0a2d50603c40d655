// SPDX-License-Identifier: GPL-3.0-or-later
#include "gxtbuilder.h"
#include "format/gxtdocument.h"
#include "tempdir.h"
#include "format/textexport.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarnik;
using namespace zarnik::testing;
using namespace std::string_literals;

TEST(TextExport, LinesByteForByte)
{
    GxtDocument doc = ParseGxt(GxtBuilder('R')
                                   .add("car1", "\xC1\xD0\xC0")         // Buka АБВ
                                   .add("empty", "")
                                   .add("BONUS", "S!x")                 // capitals only
                                   .add("B25\0rcy\0"s, "a")             // leftovers after a zero
                                   .add("M\0\0\0\0\0\0" "9"s, "b")      // a digit in the last byte
                                   .add("gang_1", "\xE2\xF1")           // Buka аб
                                   // Pirate bytes pass; Buka CF and F0 are two letters each, the first wins.
                                   .add("pir", "\x80\x90\xA0 \xCF\xF0")
                                   .build(),
                               "test.gxt");
    EXPECT_EQ(BuildTextExport(doc), "car1=\xC0\xC1\xC2\r\n \r\nempty=\r\n \r\n=S!x\r\n \r\n25rcy=a\r\n \r\n"
                                    "9=b\r\n \r\ngang1=\xE0\xE1\r\n \r\npir=\x80\x90\xA0 \xDC\xFC\r\n \r\n");

    // The texts as edited are exported, not the texts as loaded.
    doc.setText(1, "\xC1");
    EXPECT_NE(BuildTextExport(doc).find("empty=\xC0\r\n"), std::string::npos);
}

TEST(TextExport, TargetReplacesTheExtension)
{
    EXPECT_EQ(ExportTargetFor("/d/a.b.gxt"), "/d/a.b.txt");
    EXPECT_EQ(ExportTargetFor("/d/texts.TXT"), "/d/texts.txt");
    EXPECT_EQ(ExportTargetFor("texts"), "texts.txt");
    // A dot in a folder's name is not the file's extension.
    EXPECT_EQ(ExportTargetFor("/games/gta2.ru/data/texts"), "/games/gta2.ru/data/texts.txt");
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
    std::filesystem::permissions(NativePath(folder + "/texts.txt"), std::filesystem::perms::owner_read |
                                 std::filesystem::perms::group_read | std::filesystem::perms::others_read);
    EXPECT_EQ(ExportTextFile(doc, folder + "/texts.gxt"), folder + "/texts.txt");
    EXPECT_EQ(ReadFileBytes(folder + "/texts.txt"), "car1=\xC0\xC1\xC2\r\n \r\n");
    EXPECT_EQ(ReadFileBytes(folder + "/texts.gxt"), gxt);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2) << "a temporary file";

    // An empty document gives an empty file.
    ExportTextFile(ParseGxt(GxtBuilder().build(), "texts.gxt"), folder + "/texts.gxt");
    EXPECT_EQ(ReadFileBytes(folder + "/texts.txt"), "");
}
