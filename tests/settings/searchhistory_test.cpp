// SPDX-License-Identifier: GPL-3.0-or-later
#include "searchhistory.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace zarnik;
using namespace zarnik::testing;
using namespace std::string_view_literals;
using Queries = std::vector<std::string>;

TEST(SearchHistory, ZeroEndedRecordsAtMostRecCountNewest)
{
    // Windows-1251 bytes stay as they are; empty records and an unfinished last one are no queries.
    EXPECT_EQ(ParseSearchHistory("newest\0\xcf\xf0\xe8\0\0\0older\0unfinished"sv),
              (Queries{"newest", "\xcf\xf0\xe8", "older"}));
    EXPECT_EQ(BuildSearchHistory({"a", "b"}, 20), "a\0b\0"sv);
    EXPECT_EQ(BuildSearchHistory({"a", "b"}, -5), "");

    Queries thirty;
    for (int i = 0; i < 30; ++i)
        thirty.push_back("query " + std::to_string(i));
    TempDir dir;
    const std::string path = dir.file("LastSearched.ini");
    EXPECT_EQ(LoadSearchHistory(path), Queries{});
    SaveSearchHistory(path, thirty, 20);
    EXPECT_EQ(LoadSearchHistory(path), Queries(thirty.begin(), thirty.begin() + 20));
    SaveSearchHistory(path, thirty, 0);  // an emptied history replaces the old one
    EXPECT_EQ(ReadFileBytes(path), "");
}

// Reading stops once enough queries are in, and queries that straddle the pieces the file
// is read in come back whole.
TEST(SearchHistory, ReadingIsBoundedByTheQueriesWanted)
{
    std::string bytes;
    Queries all;
    for (int i = 0; bytes.size() < 300'000; ++i) {
        all.push_back(std::string(1 + (i * 7919) % 5000, static_cast<char>('a' + i % 26)));
        bytes += all.back() + '\0';
    }
    bytes += "unfinished";
    TempDir dir;
    const std::string path = dir.file("LastSearched.ini");
    WriteFileBytes(path, bytes);
    EXPECT_EQ(LoadSearchHistory(path), all);
    EXPECT_EQ(LoadSearchHistory(path, 40), Queries(all.begin(), all.begin() + 40));
    EXPECT_EQ(ParseSearchHistory(bytes, 3), Queries(all.begin(), all.begin() + 3));
    EXPECT_EQ(LoadSearchHistory(path, 0), Queries{});
}
