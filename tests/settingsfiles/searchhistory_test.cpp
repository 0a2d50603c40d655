#include "searchhistory.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace zarnik;
using namespace zarnik::testing;
using Queries = std::vector<std::string>;

TEST(SearchHistory, RecordsEndWithAZeroByte)
{
    using namespace std::string_view_literals;
    EXPECT_EQ(ParseSearchHistory("newest\0older\0"sv), (Queries{"newest", "older"}));
    EXPECT_EQ(ParseSearchHistory("a\0\0\0b\0"sv), (Queries{"a", "b"}));
    EXPECT_EQ(ParseSearchHistory("a\0unfinished"sv), (Queries{"a"}));
    EXPECT_EQ(ParseSearchHistory("\0\0"sv), Queries{});
    EXPECT_EQ(ParseSearchHistory(""), Queries{});
    // Windows-1251 "Привет мир", bytes kept as they are.
    EXPECT_EQ(ParseSearchHistory("\xcf\xf0\xe8\xe2\xe5\xf2 \xec\xe8\xf0\0"sv),
              (Queries{"\xcf\xf0\xe8\xe2\xe5\xf2 \xec\xe8\xf0"}));
}

TEST(SearchHistory, KeepsAtMostRecCountNewest)
{
    Queries thirty;
    for (int i = 0; i < 30; ++i)
        thirty.push_back("query " + std::to_string(i));
    const Queries first20(thirty.begin(), thirty.begin() + 20);

    const std::string file = BuildSearchHistory(thirty, 20);
    EXPECT_EQ(std::count(file.begin(), file.end(), '\0'), 20);
    EXPECT_EQ(ParseSearchHistory(file), first20);
    EXPECT_EQ(BuildSearchHistory({"a", "b"}, 20), std::string("a\0b\0", 4));
    EXPECT_EQ(BuildSearchHistory(thirty, 0), "");
    EXPECT_EQ(BuildSearchHistory(thirty, -5), "");
    EXPECT_EQ(BuildSearchHistory({}, 20), "");

    TempDir dir;
    const std::string path = dir.file("LastSearched.ini");
    EXPECT_EQ(LoadSearchHistory(path), Queries{});
    SaveSearchHistory(path, thirty, 20);
    EXPECT_EQ(LoadSearchHistory(path), first20);
    SaveSearchHistory(path, thirty, 0);
    ASSERT_TRUE(FileExists(path));
    EXPECT_EQ(ReadFileBytes(path), "");
}
