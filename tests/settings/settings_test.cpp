// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/cp1251.h"
#include "faultyfs.h"
#include "searchhistory.h"
#include "settingsvalues.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarnik;
using namespace zarnik::testing;
using namespace std::string_view_literals;

TEST(Settings, MissingAndBadValuesFallBackToDefaults)
{
    EXPECT_EQ(ReadSettings(IniFile{}), SettingsValues{});
    EXPECT_EQ(ReadSettings(IniFile::fromBytes(
                  "[Size]\r\nCaptionWidth=120\r\nWidth=wide\r\n[File]\r\nLang=7\r\n[String]\r\nLastString=-2\r\n"
                  "[Font]\r\nName=Courier New\r\nStyle=$3\r\n[Find]\r\nfinddown=0\r\n")),
              (SettingsValues{.captionWidth = 120, .lastFile = "", .lang = 7, .lastString = -2,
                              .fontName = "Courier New", .fontStyle = FontBold | FontItalic, .findDown = false}));
}

TEST(Settings, NewFileLayoutAndOddValuesRoundTrip)
{
    IniFile ini;
    WriteSettings(ini, SettingsValues{}, false);
    EXPECT_EQ(ini.toBytes(),
              "[Size]\r\nWidth=713\r\nHeight=666\r\nCaptionWidth=80\r\n[Position]\r\nLeft=313\r\nTop=213\r\n"
              "Maximized=0\r\n[Edit]\r\nTop=480\r\nLeft=360\r\nWidth=500\r\n[File]\r\nLastFile=\r\nLang=3\r\n"
              "[Options]\r\nUseGrig=1\r\nAutoSize=1\r\nChangeDir=1\r\nRecCount=20\r\n[Find]\r\nFindDown=1\r\n"
              "MatchCase=0\r\n[String]\r\nLastString=1\r\n"
              "[Font]\r\nName=MS Sans Serif\r\nCharSet=1\r\nColor=0\r\nSize=8\r\nStyle=0\r\n");

    const SettingsValues v{.left = -1200, .lastFile = Utf8ToCp1251("/home/игрок/GTA2/e.gxt"), .recCount = 0,
                           .lastString = -3, .fontName = Utf8ToCp1251("Шрифт для игры"),
                           .fontColor = 0x00FF8040, .fontStyle = FontBold | FontStrikeOut, .matchCase = true};
    WriteSettings(ini, v, false);
    EXPECT_NE(ini.toBytes().find("Color=16744512\r\n"), std::string::npos);
    EXPECT_EQ(ReadSettings(IniFile::fromBytes(ini.toBytes())), v);
}

TEST(Settings, MaximizedWindowKeepsItsNormalGeometry)
{
    IniFile ini = IniFile::fromBytes("[Position]\r\nLeft=10\r\nMaximized=0\r\n[Size]\r\nHeight=40\r\n");
    WriteSettings(ini, SettingsValues{}, true);
    EXPECT_EQ(ini.readInt("Position", "Left", 0), 10);
    EXPECT_EQ(ini.readInt("Size", "Height", 0), 40);
    const SettingsValues back = ReadSettings(IniFile::fromBytes(ini.toBytes()));
    EXPECT_TRUE(back.maximized);
    EXPECT_EQ(back.left, SettingsValues{}.left);  // the stored geometry is not the maximized window's
}

// An interrupted save must never leave a Settings.ini (or history) that lost keys.
TEST(SettingsSave, FailedSaveLeavesTheOldFilesIntact)
{
    for (FileStep step : {FileStep::CreateTemp, FileStep::Write, FileStep::MoveIntoPlace}) {
        SCOPED_TRACE(static_cast<int>(step));
        TempDir dir;
        const std::string path = dir.file("Settings.ini"), history = dir.file("LastSearched.ini");
        const std::string original = "; mine\r\n[Size]\r\nWidth=700\r\n[Mine]\r\nKey=1\r\n";
        WriteFileBytes(path, original);
        WriteFileBytes(history, "old\0"sv);
        IniFile ini = IniFile::load(path);
        WriteSettings(ini, SettingsValues{}, false);
        FaultyFileSystem fs, historyFs;
        fs.failStep = historyFs.failStep = step;
        EXPECT_THROW(ini.save(path, fs), FileError);  // how it is reported is the safe-save tests' business
        EXPECT_THROW(SaveSearchHistory(history, {"new"}, 20, historyFs), FileError);
        EXPECT_EQ(ReadFileBytes(path), original);
        EXPECT_EQ(ReadFileBytes(history), "old\0"sv);
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2) << "a temporary file";

        ini.save(path);
        EXPECT_EQ(ReadFileBytes(path), ini.toBytes());
    }
}
