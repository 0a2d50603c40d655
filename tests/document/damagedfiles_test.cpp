// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/fileerror.h"
#include "gxtbuilder.h"
#include "format/gxtdocument.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <fcntl.h>
#endif

using namespace zarnik;
using namespace zarnik::testing;

namespace {

const std::string kGood =
    GxtBuilder('R').add("a", "first text").add("bb", "second").add("ccc", "x").build();

void setLe32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (8 * i));
}

}  // namespace

// Every cut of a valid file either loads or is refused with a FileError naming the file;
// nothing crashes, reads outside the buffer (the sanitized run checks that) or hangs.
TEST(DamagedFiles, EveryTruncationLoadsOrFailsCleanly)
{
    const size_t dataStart = 22 + 36;
    for (size_t len = 0; len < kGood.size(); ++len) {
        SCOPED_TRACE(len);
        const std::string cut = kGood.substr(0, len);
        if (len < dataStart) {
            try {
                ParseGxt(cut, "cut.gxt");
                FAIL() << "a file without its full header and key table must be refused";
            } catch (const FileError& e) {
                EXPECT_EQ(e.step(), FileStep::Damaged);
                EXPECT_EQ(e.path(), "cut.gxt");
                EXPECT_NE(e.russianMessage().find("cut.gxt"), std::string::npos);
            }
        } else {
            GxtDocument doc = ParseGxt(cut, "cut.gxt");
            EXPECT_EQ(doc.Count(), 3u);
            // Every text is a prefix of what the complete file holds.
            GxtDocument full = ParseGxt(kGood, "full.gxt");
            for (size_t i = 0; i < 3; ++i)
                EXPECT_EQ(full.text(i).compare(0, doc.text(i).size(),
                                                       doc.text(i)), 0);
        }
    }
}

TEST(DamagedFiles, AbsurdSizesAndOffsets)
{
    struct Case {
        const char* what;
        std::string bytes;
        bool loads;
    };
    std::vector<Case> cases;

    std::string huge = kGood.substr(0, 40);
    setLe32(huge, 10, 0xFFFFFFF0u);
    cases.push_back({"key-table size of 0xFFFFFFF0 in 40 bytes", huge, false});

    std::string past = kGood;
    setLe32(past, 10, static_cast<uint32_t>(past.size() - 14 - 4));
    cases.push_back({"data header half outside", past, false});

    std::string offsets = kGood;
    setLe32(offsets, 14, 0xFFFFFFFFu);
    setLe32(offsets, 26, static_cast<uint32_t>(kGood.size()));
    cases.push_back({"offsets past the end give empty texts", offsets, true});

    std::string dataSize = kGood;
    setLe32(dataSize, 22 + 36 - 4, 0xFFFFFFFFu);
    cases.push_back({"absurd data size is not trusted", dataSize, true});

    cases.push_back({"odd trailing byte", kGood + "Z", true});
    cases.push_back({"unterminated last string",
                     GxtBuilder().addRaw("k", std::string("a\0b\0c", 5)).build(), true});
    cases.push_back({"empty file", "", false});

    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.loads) {
            EXPECT_NO_THROW(ParseGxt(c.bytes, "bad.gxt"));
        } else {
            EXPECT_THROW(ParseGxt(c.bytes, "bad.gxt"), FileError);
        }
    }

    GxtDocument doc = ParseGxt(offsets, "x");
    EXPECT_EQ(doc.text(0), "");
    EXPECT_EQ(doc.text(1), "");
    EXPECT_EQ(doc.text(2), "x");
    EXPECT_EQ(ParseGxt(kGood + "Z", "x").currentTexts(), ParseGxt(kGood, "x").currentTexts());
    EXPECT_EQ(ParseGxt(cases[5].bytes, "x").text(0), "abc");
}

TEST(DamagedFiles, ManyKeysOnOneHugeStringAreRefusedNotBallooned)
{
    // 20,000 keys all pointing at one 100,000-character string would need 2 GB of texts.
    GxtBuilder b;
    b.add("k0", std::string(100000, 'a'));
    for (int i = 1; i < 20000; ++i)
        b.addShared("k" + std::to_string(i), 0);
    EXPECT_THROW(ParseGxt(b.build(), "bomb.gxt"), FileError);

    // A modest amount of sharing, as real files have, still loads.
    GxtBuilder ok;
    ok.add("k0", std::string(1000, 'a'));
    for (int i = 1; i < 10; ++i)
        ok.addShared("k" + std::to_string(i), 0);
    EXPECT_EQ(ParseGxt(ok.build(), "ok.gxt").text(9).size(), 1000u);
}

TEST(DamagedFiles, MissingFileAndDirectoryAreOpenErrors)
{
    TempDir dir;
    try {
        LoadGxtFile(dir.file("missing.gxt"));
        FAIL();
    } catch (const FileError& e) {
        EXPECT_EQ(e.step(), FileStep::Open);
        EXPECT_NE(e.russianMessage().find("missing.gxt"), std::string::npos);
    }
    EXPECT_THROW(LoadGxtFile(dir.path()), FileError);
}

#ifndef _WIN32
// A file that gives no size ahead is read only a little past the end its headers give: a
// device without end is refused at once (not after gigabytes), a piped game file still loads.
TEST(DamagedFiles, EndlessStreamsStopAtTheirHeaders)
{
    std::signal(SIGPIPE, SIG_IGN);
    TempDir dir;
    const struct {
        const char* what;
        std::string piped;  // empty: /dev/zero
        bool loads;
    } cases[] = {{"/dev/zero", "", false},
                 {"a game file with trailing bytes", kGood + std::string(100000, 'x'), true},
                 {"a game file followed by megabytes", kGood + std::string(3 << 20, 'x'), false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::string path = "/dev/zero";
        std::thread writer;
        if (!c.piped.empty()) {
            path = dir.file("pipe");
            unlink(path.c_str());
            ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
            writer = std::thread([&] {
                const int fd = open(path.c_str(), O_WRONLY);
                for (size_t at = 0; fd >= 0 && at < c.piped.size();) {
                    const ssize_t n = write(fd, c.piped.data() + at, c.piped.size() - at);
                    if (n <= 0)
                        break;
                    at += static_cast<size_t>(n);
                }
                close(fd);
            });
        }
        try {
            EXPECT_EQ(LoadGxtFile(path).Count(), 3u);
            EXPECT_TRUE(c.loads);
        } catch (const FileError& e) {
            EXPECT_FALSE(c.loads) << e.what();
            EXPECT_EQ(e.step(), FileStep::Damaged);
        }
        if (writer.joinable())
            writer.join();
    }
}
#endif
