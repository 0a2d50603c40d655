#include "fileerror.h"
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
        "Width=1\r\n"  // before any section: belongs to no section
        "[options]\r\n"
        "RecCount=0x10\r\n"
        "  autosize  =  $10  \r\n"
        "ChangeDir=12abc\r\n"
        "UseGrig=\r\n"
        ";Lang=5\r\n"
        "#Lang=6\r\n"
        "Lang=-7\r\n"
        "LANG=9\r\n"
        "[Size\r\n"  // no "]": not a header, so this is still [options]
        "Width=12\r\n"
        "[ SIZE ] whatever\r\n"
        "Height=+44\r\n"
        "[Size]\r\n"  // only the first section of a name is searched
        "CaptionWidth=5\r\n");
    EXPECT_EQ(ini.readInt("Options", "RecCount", 20), 16);
    EXPECT_EQ(ini.readInt("OPTIONS", "AutoSize", 1), 16);
    EXPECT_EQ(ini.readInt("Options", "ChangeDir", 3), 3);
    EXPECT_EQ(ini.readInt("Options", "UseGrig", 4), 4);
    EXPECT_EQ(ini.readString("Options", "UseGrig", "x"), "");
    EXPECT_EQ(ini.readString("options", "AUTOSIZE", ""), "$10");
    EXPECT_EQ(ini.readInt("Options", "lang", 3), -7);
    EXPECT_EQ(ini.readInt("Options", "Width", 0), 12);
    EXPECT_EQ(ini.readInt("Size", "Height", 0), 44);
    EXPECT_FALSE(ini.contains("Size", "Width"));
    EXPECT_FALSE(ini.contains("Size", "CaptionWidth"));
    EXPECT_EQ(ini.readString("Font", "Name", "MS Sans Serif"), "MS Sans Serif");
}

TEST(IniReading, OnlyWholeNumbersInIntRange)
{
    const struct {
        const char* text;
        std::optional<int> value;
    } cases[] = {
        {"0", 0}, {"-0", 0}, {"007", 7}, {"2147483647", INT_MAX}, {"-2147483648", INT_MIN},
        {"0x7fffffff", INT_MAX}, {"0X1f", 31}, {"$aB", 171}, {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt}, {"$80000000", std::nullopt},
        {"99999999999999999999999", std::nullopt}, {"", std::nullopt}, {"-", std::nullopt},
        {"0x", std::nullopt}, {"$", std::nullopt}, {"1 2", std::nullopt}, {"1.5", std::nullopt},
        {"-0x10", std::nullopt}, {"0x1g", std::nullopt}, {"12abc", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseIniInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(IniReading, LongValuesAreCutOnlyWhenRead)
{
    std::string value(3000, 'x');
    value[2046] = 'y';
    IniFile ini;
    ini.writeString("File", "LastFile", value);
    const std::string bytes = ini.toBytes();
    EXPECT_NE(bytes.find(value), std::string::npos);
    const std::string back = IniFile::fromBytes(bytes).readString("File", "LastFile", "");
    EXPECT_EQ(back, value.substr(0, 2047));
}

TEST(IniReading, MissingFileIsEmptyUnreadableOneIsAnError)
{
    TempDir dir;
    EXPECT_EQ(IniFile::load(dir.file("Settings.ini")).toBytes(), "");
    EXPECT_EQ(IniFile::load(dir.file("no-folder/Settings.ini")).toBytes(), "");
    EXPECT_THROW(IniFile::load(dir.path()), FileError);
}

TEST(IniWriting, EveryOtherLineStaysByteForByte)
{
    IniFile ini = IniFile::fromBytes(
        "; Zarnik\r\n"
        "\r\n"
        "[Size]\r\n"
        "  Width =  700 \r\n"
        "Unknown=keep me\r\n"
        "Height=600\r\n"
        ";Height=480\r\n"
        "# about=the next section\r\n"
        "\r\n"
        "[Other Program]\r\n"
        "Width=1\r\n"
        "[Font]\r\n"
        "Name=Arial\r\n"
        "\r\n");
    ini.writeInt("size", "width", 713);
    ini.writeInt("Size", "CaptionWidth", 80);
    ini.writeString("Font", "Name", "Arial");
    ini.writeInt("Font", "Size", 8);
    ini.writeBool("Find", "MatchCase", false);
    EXPECT_EQ(ini.toBytes(),
              "; Zarnik\r\n"
              "\r\n"
              "[Size]\r\n"
              "  Width =  713 \r\n"
              "Unknown=keep me\r\n"
              "Height=600\r\n"
              "CaptionWidth=80\r\n"
              ";Height=480\r\n"
              "# about=the next section\r\n"
              "\r\n"
              "[Other Program]\r\n"
              "Width=1\r\n"
              "[Font]\r\n"
              "Name=Arial\r\n"
              "Size=8\r\n"
              "\r\n"
              "[Find]\r\n"
              "MatchCase=0\r\n");
}

TEST(IniWriting, LineEndsAndValuesCannotBreakTheFile)
{
    IniFile lf = IniFile::fromBytes("[A]\nx=1");
    lf.writeInt("A", "y", 2);
    lf.writeInt("B", "z", 3);
    EXPECT_EQ(lf.toBytes(), "[A]\nx=1\ny=2\n[B]\nz=3\n");

    IniFile fresh = IniFile::fromBytes("[A]");
    fresh.writeInt("A", "x", 1);
    EXPECT_EQ(fresh.toBytes(), "[A]\r\nx=1\r\n");

    fresh.writeString("A", "x", std::string("a\r\n[B]\nz=\0", 10));
    EXPECT_EQ(fresh.toBytes(), "[A]\r\nx=a  [B] z= \r\n");
    EXPECT_FALSE(IniFile::fromBytes(fresh.toBytes()).contains("B", "z"));

    for (const char* bad : {"", " x", "k=v", "a]", "[a", ";a", "#a", "a\nb"}) {
        EXPECT_THROW(fresh.writeString("A", bad, "1"), std::invalid_argument) << bad;
        EXPECT_THROW(fresh.writeString(bad, "k", "1"), std::invalid_argument) << bad;
    }
    EXPECT_EQ(fresh.toBytes(), "[A]\r\nx=a  [B] z= \r\n");
}

// Whatever the bytes, reading neither crashes nor hangs, an untouched file is written back
// as it was, and a value written can be read back.
TEST(Robustness, JunkBytes)
{
    std::vector<std::string> samples = {
        std::string("\0\0[\0]\0=\0", 9), "[", "[[[[", "]=[", "=", "\r", "\r\r\n\n\r",
        std::string(200000, '['), std::string(200000, '=') + "\n",
        "[Size]" + std::string(100000, ' ') + "\r", std::string(100000, '\0'),
    };
    const std::string tokens[] = {"[", "]", "=", ";", "#", "\r", "\n", std::string(1, '\0'), " ",
                                  "Size", "size", "Width", "WIDTH", "7", "0x", "$", "-", "\xff"};
    std::mt19937 rng(1999);
    for (int i = 0; i < 3000; ++i) {
        std::string s;
        for (int n = static_cast<int>(rng() % 30); n > 0; --n)
            s += tokens[rng() % std::size(tokens)];
        samples.push_back(s);
    }
    for (const std::string& s : samples) {
        IniFile ini = IniFile::fromBytes(s);
        ASSERT_EQ(ini.toBytes(), s);
        ini.writeInt("Size", "Width", 42);
        ASSERT_EQ(IniFile::fromBytes(ini.toBytes()).readInt("size", "width", 0), 42) << s;

        const auto items = ParseSearchHistory(s);
        for (const std::string& item : items)
            ASSERT_TRUE(!item.empty() && item.find('\0') == std::string::npos);
        ASSERT_EQ(ParseSearchHistory(BuildSearchHistory(items, int(items.size()))), items);
    }
}
