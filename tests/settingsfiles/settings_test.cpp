#include "cp1251.h"
#include "faultyfs.h"
#include "searchhistory.h"
#include "settingsvalues.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace zarnik;
using namespace zarnik::testing;

TEST(Settings, MissingAndPartialFilesFallBackToDefaults)
{
    TempDir dir;
    EXPECT_EQ(ReadSettings(IniFile::load(dir.file("Settings.ini"))), SettingsValues{});

    const IniFile partial = IniFile::fromBytes(
        "[Size]\r\nCaptionWidth=120\r\nWidth=wide\r\n"
        "[File]\r\nLang=7\r\n[String]\r\nLastString=-2\r\n"
        "[Font]\r\nName=Courier New\r\nStyle=$3\r\n[Find]\r\nfinddown=0\r\n");
    SettingsValues expected;
    expected.captionWidth = 120;
    expected.lang = 7;
    expected.lastString = -2;
    expected.fontName = "Courier New";
    expected.fontStyle = FontBold | FontItalic;
    expected.findDown = false;
    EXPECT_EQ(ReadSettings(partial), expected);
}

TEST(Settings, NewFileLayout)
{
    IniFile normal;
    WriteSettings(normal, SettingsValues{}, false);
    EXPECT_EQ(normal.toBytes(),
              "[Size]\r\nWidth=713\r\nHeight=666\r\nCaptionWidth=80\r\n"
              "[Position]\r\nLeft=313\r\nTop=213\r\nMaximized=0\r\n"
              "[Edit]\r\nTop=480\r\nLeft=360\r\nWidth=500\r\n"
              "[File]\r\nLastFile=\r\nLang=3\r\n"
              "[Options]\r\nUseGrig=1\r\nAutoSize=1\r\nChangeDir=1\r\nRecCount=20\r\n"
              "[Find]\r\nFindDown=1\r\nMatchCase=0\r\n"
              "[String]\r\nLastString=1\r\n"
              "[Font]\r\nName=MS Sans Serif\r\nCharSet=1\r\nColor=0\r\nSize=8\r\nStyle=0\r\n");

    IniFile maximized;
    WriteSettings(maximized, SettingsValues{}, true);
    const std::string head = "[Position]\r\nMaximized=1\r\n[Size]\r\nCaptionWidth=80\r\n[Edit]\r\n";
    EXPECT_EQ(maximized.toBytes().substr(0, head.size()), head);
}

TEST(Settings, MaximizedWindowKeepsItsNormalGeometry)
{
    IniFile ini = IniFile::fromBytes(
        "[Position]\r\nLeft=10\r\nTop=20\r\nMaximized=0\r\n[Size]\r\nWidth=30\r\nHeight=40\r\n");
    SettingsValues normal = ReadSettings(ini);
    ASSERT_EQ(normal.left, 10);
    ASSERT_EQ(normal.height, 40);

    WriteSettings(ini, SettingsValues{}, true);
    const IniFile saved = IniFile::fromBytes(ini.toBytes());
    EXPECT_EQ(saved.readInt("Position", "Left", 0), 10);
    EXPECT_EQ(saved.readInt("Size", "Height", 0), 40);
    const SettingsValues back = ReadSettings(saved);
    EXPECT_TRUE(back.maximized);
    EXPECT_EQ(back.left, SettingsValues{}.left);
    EXPECT_EQ(back.height, SettingsValues{}.height);

    normal.left = 11;
    WriteSettings(ini, normal, false);
    EXPECT_EQ(ReadSettings(ini), normal);
}

TEST(Settings, OddValuesSurviveARoundTrip)
{
    SettingsValues v;
    v.left = -1200;
    v.lang = 7;
    v.lastString = -3;
    v.recCount = 0;
    v.useGrig = false;
    v.matchCase = true;
    v.fontColor = 0x00FF8040;
    v.fontStyle = FontBold | FontStrikeOut;
    v.fontName = Utf8ToCp1251("Шрифт для игры");
    v.lastFile = Utf8ToCp1251("/home/игрок/GTA2/data/e.gxt");
    IniFile ini;
    WriteSettings(ini, v, false);
    EXPECT_NE(ini.toBytes().find("Color=16744512\r\n"), std::string::npos);
    EXPECT_EQ(ReadSettings(IniFile::fromBytes(ini.toBytes())), v);
}

// An interrupted save must never leave a Settings.ini (or history) that lost keys.
TEST(SettingsSave, FailedSaveLeavesTheOldFilesIntact)
{
    for (FileStep step : {FileStep::CreateTemp, FileStep::Write, FileStep::MoveIntoPlace}) {
        SCOPED_TRACE(static_cast<int>(step));
        TempDir dir;
        const std::string path = dir.file("Settings.ini");
        const std::string history = dir.file("LastSearched.ini");
        const std::string original = "; mine\r\n[Size]\r\nWidth=700\r\n[Mine]\r\nKey=1\r\n";
        const std::string oldHistory("old\0", 4);
        WriteFileBytes(path, original);
        WriteFileBytes(history, oldHistory);

        IniFile ini = IniFile::load(path);
        WriteSettings(ini, SettingsValues{}, false);
        FaultyFileSystem fs;
        fs.failStep = step;
        try {
            ini.save(path, fs);
            ADD_FAILURE() << "the save must report the failure";
        } catch (const FileError& e) {
            EXPECT_EQ(e.step(), step);
            EXPECT_EQ(e.path(), path);
        }
        EXPECT_EQ(ReadFileBytes(path), original);

        FaultyFileSystem historyFs;
        historyFs.failStep = step;
        EXPECT_THROW(SaveSearchHistory(history, {"new"}, 20, historyFs), FileError);
        EXPECT_EQ(ReadFileBytes(history), oldHistory);

        size_t files = 0;
        for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path()))
            ++files;
        EXPECT_EQ(files, 2u) << "no temporary file may be left behind";

        ini.save(path);
        EXPECT_EQ(ReadFileBytes(path), ini.toBytes());
    }
}
