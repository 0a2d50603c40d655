// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/fileerror.h"
#include "inifile.h"
#include "searchhistory.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>

using namespace zarnik;
using namespace zarnik::testing;

// Files as people and other programs leave them: hex in both spellings, junk, signs,
// empty values, other case, stray spacing, comments, broken and repeated headers.
TEST(IniReading, OddFilesReadAsWindowsWould)
{
    const IniFile ini = IniFile::fromBytes(
        "Width=1\r\n[options]\r\nRecCount=0x10\r\n  autosize  =  $10  \r\nChangeDir=12abc\r\nUseGrig=\r\n"
        ";Lang=5\r\n#Lang=6\r\nLang=-7\r\nLANG=9\r\n"
        "[Size\r\nWidth=12\r\n"  // no "]": not a header, so still [options]
        "[ SIZE ] whatever\r\nHeight=+44\r\n"
        "[Size]\r\nCaptionWidth=5\r\n");  // only the first section of a name is searched
    EXPECT_EQ(ini.readInt("Options", "RecCount", 20), 16);
    EXPECT_EQ(ini.readInt("OPTIONS", "AutoSize", 1), 16);
    EXPECT_EQ(ini.readInt("Options", "ChangeDir", 3), 3);
    EXPECT_EQ(ini.readString("Options", "UseGrig", "x"), "");
    EXPECT_EQ(ini.readInt("Options", "lang", 3), -7);
    EXPECT_EQ(ini.readInt("Options", "Width", 0), 12);
    EXPECT_EQ(ini.readInt("Size", "Height", 0), 44);
    EXPECT_FALSE(ini.contains("Size", "Width") || ini.contains("Size", "CaptionWidth"));
}

TEST(IniReading, OnlyWholeNumbersInIntRange)
{
    const std::pair<const char*, std::optional<int>> cases[] = {  // {} for "not a number"
        {"-2147483648", INT_MIN}, {"0X7fffffff", INT_MAX}, {"$aB", 171}, {"2147483648", {}}, {"$80000000", {}},
        {"99999999999999999999999", {}}, {"", {}}, {"0x", {}}, {"-0x10", {}}, {"1 2", {}}};
    for (const auto& [text, value] : cases)
        EXPECT_EQ(ParseIniInt(text), value) << '"' << text << '"';
}

TEST(IniReading, LongValuesAreCutOnlyWhenReadAndAMissingFileIsEmpty)
{
    std::string value(3000, 'x');
    value[2046] = 'y';
    IniFile ini;
    ini.writeString("File", "LastFile", value);
    EXPECT_NE(ini.toBytes().find(value), std::string::npos);
    EXPECT_EQ(IniFile::fromBytes(ini.toBytes()).readString("File", "LastFile", ""), value.substr(0, 2047));

    TempDir dir;
    EXPECT_EQ(IniFile::load(dir.file("Settings.ini")).toBytes(), "");
    EXPECT_EQ(IniFile::load(dir.file("no-folder/Settings.ini")).toBytes(), "");
    EXPECT_THROW(IniFile::load(dir.path()), FileError);
}

TEST(IniWriting, EveryOtherLineStaysByteForByte)
{
    const std::string before = "; Zarnik\r\n\r\n[Size]\r\n  Width =  700 \r\nUnknown=keep me\r\nHeight=600\r\n";
    const std::string after = ";Height=480\r\n# about=the next section\r\n\r\n[Other Program]\r\nWidth=1\r\n"
                              "[Font]\r\nName=Arial\r\n";
    IniFile ini = IniFile::fromBytes(before + after + "\r\n");
    ini.writeInt("size", "width", 713);
    ini.writeInt("Size", "CaptionWidth", 80);  // after the section's last key, before its comments
    ini.writeInt("Font", "Size", 8);
    ini.writeBool("Find", "MatchCase", false);
    EXPECT_EQ(ini.toBytes(), "; Zarnik\r\n\r\n[Size]\r\n  Width =  713 \r\nUnknown=keep me\r\nHeight=600\r\n"
                             "CaptionWidth=80\r\n" + after + "Size=8\r\n\r\n[Find]\r\nMatchCase=0\r\n");
}

TEST(IniWriting, LineEndsAndValuesCannotBreakTheFile)
{
    IniFile lf = IniFile::fromBytes("[A]\nx=1");
    lf.writeInt("A", "y", 2);
    lf.writeInt("B", "z", 3);
    EXPECT_EQ(lf.toBytes(), "[A]\nx=1\ny=2\n[B]\nz=3\n");

    IniFile fresh = IniFile::fromBytes("[A]");
    fresh.writeString("A", "x", std::string("a\r\n[B]\nz=\0", 10));
    EXPECT_EQ(fresh.toBytes(), "[A]\r\nx=a  [B] z= \r\n");
    for (const char* bad : {"", " x", "k=v", "a]", "[a", ";a", "a\nb"}) {
        EXPECT_THROW(fresh.writeString("A", bad, "1"), std::invalid_argument) << bad;
        EXPECT_THROW(fresh.writeString(bad, "k", "1"), std::invalid_argument) << bad;
    }
    EXPECT_EQ(fresh.toBytes(), "[A]\r\nx=a  [B] z= \r\n");
}

// Any bytes: no crash or hang, an untouched file comes back as it was, a value written reads back.
TEST(Robustness, JunkBytes)
{
    std::vector<std::string> samples = {std::string(200000, '['), "[Size]" + std::string(100000, ' ') + "\r"};
    const std::string tokens[] = {"[", "]", "=", ";", "#", "\r", "\n", std::string(1, '\0'), " ",
                                  "Size", "size", "Width", "WIDTH", "7", "0x", "$", "-", "\xff"};
    std::mt19937 rng(1999);
    for (int i = 0; i < 3000; ++i) {
        std::string& s = samples.emplace_back();
        for (int n = static_cast<int>(rng() % 30); n > 0; --n)
            s += tokens[rng() % std::size(tokens)];
    }
    for (const std::string& s : samples) {
        IniFile ini = IniFile::fromBytes(s);
        ASSERT_EQ(ini.toBytes(), s);
        ini.writeInt("Size", "Width", 42);
        ASSERT_EQ(IniFile::fromBytes(ini.toBytes()).readInt("size", "width", 0), 42) << s;
        const auto items = ParseSearchHistory(s);  // an empty item or a zero byte would not come back
        ASSERT_EQ(ParseSearchHistory(BuildSearchHistory(items, int(items.size()))), items);
    }
}
