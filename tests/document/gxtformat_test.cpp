// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/fileerror.h"
#include "gxtbuilder.h"
#include "format/gxtdocument.h"
#include "tempdir.h"

#include <gtest/gtest.h>

using namespace zarnik;
using namespace zarnik::testing;

namespace {

GxtDocument parse(const std::string& bytes)
{
    return ParseGxt(bytes, "test.gxt");
}

std::string units(std::initializer_list<int> bytes)
{
    std::string s;
    for (int b : bytes)
        s.push_back(static_cast<char>(b));
    return s;
}

}  // namespace

TEST(GxtFormat, OrdinaryFileRoundTripsByteForByte)
{
    const std::string original = GxtBuilder('R')
                                     .add("1102", "Hello")
                                     .add("car1", "l!Marker text")
                                     .add("empty", "")
                                     .add("x", "A#B#C")
                                     .build();
    GxtDocument doc = parse(original);
    ASSERT_EQ(doc.Count(), 4u);
    EXPECT_EQ(doc.keys[1].shownName(), "car1");
    EXPECT_EQ(doc.text(1), "l!Marker text");
    EXPECT_EQ(doc.text(2), "");
    EXPECT_EQ(doc.languageLetter(), 'R');
    EXPECT_EQ(BuildGxtImage(doc), original);
}

TEST(GxtFormat, ExclamationHighByteRule)
{
    // Written: only a first "!" with at least one more character after it shares a unit.
    EXPECT_EQ(EncodeUnits("X!abc"), units({'X', '!', 'a', 0, 'b', 0, 'c', 0, 0, 0}));
    EXPECT_EQ(EncodeUnits("X!"), units({'X', 0, '!', 0, 0, 0}));
    EXPECT_EQ(EncodeUnits("aX!b"), units({'a', 0, 'X', 0, '!', 0, 'b', 0, 0, 0}));
    EXPECT_EQ(EncodeUnits(""), units({0, 0}));

    // Read: a high byte always becomes a second character; the lone (X,!) unit is
    // written back as two units.
    const std::string file = GxtBuilder()
                                 .addRaw("a", units({'X', '!', 0, 0}))
                                 .addRaw("b", units({'X', '!', 'y', 0, 0, 0}))
                                 .addRaw("c", units({'A', 0x04, 'z', 0, 0, 0}))
                                 .build();
    GxtDocument doc = parse(file);
    EXPECT_EQ(doc.text(0), "X!");
    EXPECT_EQ(doc.text(1), "X!y");
    EXPECT_EQ(doc.text(2), units({'A', 0x04, 'z'}));
    GxtDocument again = parse(BuildGxtImage(doc));
    EXPECT_EQ(again.currentTexts(), doc.currentTexts());
}

// A unit whose low byte is 0 (from another tool) saves back as it was, also as the
// marker unit; a zero byte that cannot be stored is refused naming the key, and nothing
// is written, never a string cut short at it.
TEST(GxtFormat, ZeroBytesSaveAsLoadedOrAreRefused)
{
    using namespace std::string_literals;
    const std::string file =
        GxtBuilder().addRaw("k", units({0, 'Q', 'r', 0, 0, 0})).addRaw("m", units({0, '!', 0, 'x', 0, 0})).build();
    GxtDocument doc = parse(file);
    EXPECT_EQ(doc.text(0), units({0, 'Q', 'r'}));
    EXPECT_EQ(BuildGxtImage(doc), file);
    TempDir dir;
    const std::string path = dir.file("z.gxt");
    WriteFileBytes(path, file);
    for (const std::string& text : {"a\0"s, "\0"s, "a\0\0b"s, "x!\0"s}) {
        doc.setText(1, text);
        try {
            SaveGxtFile(doc, path);
            ADD_FAILURE() << "saved a text with a zero byte it cannot store";
        } catch (const FileError& e) {
            EXPECT_EQ(e.step(), FileStep::UnstorableText);
            EXPECT_EQ(e.englishMessage(),
                      "nothing was written to " + path + ": the text of key m holds a zero byte that the format cannot store");
        }
        EXPECT_EQ(ReadFileBytes(path), file);
    }
}

TEST(GxtFormat, SharedStringsAreWrittenAsSeparateCopies)
{
    const std::string file =
        GxtBuilder().add("one", "shared text").addShared("two", 0).add("three", "x").build();
    GxtDocument doc = parse(file);
    EXPECT_EQ(doc.text(1), "shared text");
    const std::string saved = BuildGxtImage(doc);
    EXPECT_EQ(saved.size(), file.size() + EncodeUnits("shared text").size());
    GxtDocument again = parse(saved);
    EXPECT_NE(again.keys[0].offset, again.keys[1].offset);
    EXPECT_EQ(again.currentTexts(), doc.currentTexts());
}

TEST(GxtFormat, KeyTableRemainderIsSkippedAndDroppedOnSave)
{
    const std::string file = GxtBuilder()
                                 .add("a", "first")
                                 .add("b", "second")
                                 .keyTablePadding("\x01\x02\x03\x04\x05")
                                 .build();
    GxtDocument doc = parse(file);
    ASSERT_EQ(doc.Count(), 2u);
    EXPECT_EQ(doc.keyTableSize(), 29u);
    EXPECT_EQ(doc.text(1), "second");
    GxtDocument again = parse(BuildGxtImage(doc));
    EXPECT_EQ(again.keyTableSize(), 24u);
    EXPECT_EQ(again.currentTexts(), doc.currentTexts());
}

TEST(GxtFormat, RealFileOdditiesLoadAndNormaliseOnSave)
{
    // Strings out of key order, unreferenced bytes, an odd declared data size, a
    // terminator past the declared size, two zero bytes after the data, leftover name
    // bytes and an all-zero key.
    const std::string data = EncodeUnits("second") + std::string("\x11\x22\x33", 3) +
                             EncodeUnits("first") + EncodeUnits("third");
    const uint32_t secondAt = 0;
    const uint32_t firstAt = static_cast<uint32_t>(EncodeUnits("second").size() + 3);
    const uint32_t thirdAt = firstAt + static_cast<uint32_t>(EncodeUnits("first").size());
    GxtBuilder b('G');
    b.gapBeforeStrings(data)
        .addAt(std::string("B25\0rcy\0", 8), firstAt)
        .addAt(std::string(8, '\0'), secondAt)
        .addAt("odd", thirdAt)
        .dataSize(static_cast<uint32_t>(data.size() - 3))
        .trailing(std::string(2, '\0'));
    GxtDocument doc = parse(b.build());
    EXPECT_EQ(doc.text(0), "first");
    EXPECT_EQ(doc.text(1), "second");
    EXPECT_EQ(doc.text(2), "third");
    EXPECT_EQ(doc.keys[0].shownName(), "B25");
    EXPECT_EQ(doc.keys[1].shownName(), "");

    const std::string saved = BuildGxtImage(doc);
    GxtDocument again = parse(saved);
    EXPECT_EQ(again.currentTexts(), doc.currentTexts());
    EXPECT_EQ(std::string(again.keys[0].name.data(), 8), std::string("B25\0rcy\0", 8));
    EXPECT_EQ(again.dataSize(), saved.size() - 22 - 36);
    EXPECT_EQ(again.keys[0].offset, 0u);  // now in key-table order, back to back
}

TEST(GxtFormat, StringsStartingAtOddOffsets)
{
    const std::string data = std::string("\x07", 1) + EncodeUnits("odd") + EncodeUnits("");
    GxtBuilder b;
    b.gapBeforeStrings(data).addAt("a", 1).addAt("b", 1 + 8);
    GxtDocument doc = parse(b.build());
    EXPECT_EQ(doc.text(0), "odd");
    EXPECT_EQ(doc.text(1), "");
}

TEST(GxtSave, BackupRulesAndSizes)
{
    TempDir dir;
    const std::string path = dir.file("texts.gxt");

    GxtDocument doc = parse(GxtBuilder().add("a", "one").add("b", "two").build());
    // No file yet: the file is created and no backup appears.
    SaveGxtFile(doc, path);
    const std::string first = ReadFileBytes(path);
    EXPECT_EQ(first, BuildGxtImage(doc));
    EXPECT_FALSE(FileExists(path + "_"));

    doc.setText(0, "one, changed");
    SaveGxtFile(doc, path);
    EXPECT_EQ(ReadFileBytes(path + "_"), first);
    const std::string second = ReadFileBytes(path);

    // Saving twice keeps only the most recent backup.
    doc.setText(1, "two, changed");
    SaveGxtFile(doc, path);
    EXPECT_EQ(ReadFileBytes(path + "_"), second);

    // The document now carries the sizes of the file as written; the texts as loaded are untouched.
    GxtDocument onDisk = LoadGxtFile(path);
    EXPECT_EQ(doc.dataSize(), onDisk.dataSize());
    EXPECT_EQ(doc.keys[1].offset, onDisk.keys[1].offset);
    EXPECT_EQ(doc.loadedText(0), "one");
    EXPECT_EQ(onDisk.text(1), "two, changed");
}

TEST(GxtSave, EmptyDocument)
{
    GxtDocument doc = parse(GxtBuilder().build());
    EXPECT_EQ(doc.Count(), 0u);
    const std::string image = BuildGxtImage(doc);
    EXPECT_EQ(image.size(), 22u);
    EXPECT_EQ(parse(image).Count(), 0u);
}
