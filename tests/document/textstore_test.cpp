// SPDX-License-Identifier: GPL-3.0-or-later
// The loader's decoder and the text store: the same texts as decoding each entry's string
// on its own, on random and hostile layouts, and copy-on-write editing over shared texts.
#include "text/encodings.h"
#include "files/fileerror.h"
#include "gxtbuilder.h"
#include "format/gxtdecode.h"
#include "format/gxtdocument.h"

#include <gtest/gtest.h>

#include <random>

using namespace zarnik;
using namespace zarnik::testing;
using namespace std::string_literals;

namespace {

// One string read unit by unit, as the format describes it: the oracle for the decoder.
// `pos` ends past the terminator, or at the end of the file.
std::string referenceRead(std::string_view file, uint64_t& pos)
{
    std::string text;
    while (pos < file.size()) {
        const auto low = static_cast<uint8_t>(file[pos]);
        if (pos + 1 >= file.size()) {
            if (low != 0)
                text.push_back(static_cast<char>(low));
            pos = file.size();
            break;
        }
        const auto high = static_cast<uint8_t>(file[pos + 1]);
        pos += 2;
        if (low == 0 && high == 0)
            break;
        text.push_back(static_cast<char>(low));
        if (high != 0)
            text.push_back(static_cast<char>(high));
    }
    return text;
}

std::string referenceRead(std::string_view file, uint64_t&& pos)
{
    return referenceRead(file, pos);
}

// Bytes like string data, with the cases the decoder treats apart in plenty: runs of
// one-byte characters, marker units, units with a zero low byte, terminators.
std::string randomUnits(std::mt19937& rng, size_t size)
{
    std::string s(size, '\0');
    for (size_t i = 0; i < size; i += 2) {
        const unsigned r = rng() % 100;
        s[i] = static_cast<char>(r < 3 ? 0 : 1 + rng() % 255);
        if (i + 1 < size)
            s[i + 1] = static_cast<char>(r < 80 ? 0 : r < 90 ? '!' : rng() % 256);
    }
    return s;
}

void expectLoadedAsEachStringAlone(const std::string& file)
{
    const GxtDocument doc = ParseGxt(file, "t.gxt");
    const uint64_t dataStart = 22 + doc.keyTableSize();
    uint64_t total = 0;
    for (size_t i = 0; i < doc.Count(); ++i) {
        const std::string expected = referenceRead(file, dataStart + doc.keys[i].offset);
        ASSERT_EQ(doc.text(i), expected) << "entry " << i;
        ASSERT_EQ(doc.loadedText(i), expected);
        total += expected.size();
    }
    EXPECT_LE(doc.textBytesHeld(), 2 * file.size());
}

}  // namespace

TEST(Decoder, AgreesWithUnitByUnitReading)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 3000; ++round) {
        const std::string file = randomUnits(rng, rng() % 300);
        if (file.empty())
            continue;
        const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
        for (int k = 0; k < 4; ++k) {
            const uint64_t pos = rng() % file.size();
            uint64_t next = pos;
            const std::string expected = referenceRead(file, next);
            uint64_t at = pos;
            ASSERT_EQ(ReadGxtString(file, at), expected) << "round " << round << " pos " << pos;
            ASSERT_EQ(at, next);

            // The vector and the unit-at-a-time forms agree on where they stop and what
            // they write, also when stopped short of the end and when decoding over the
            // bytes themselves, or to a place before them.
            const uint64_t stop = pos + rng() % (file.size() - pos + 1);
            std::string portable(file.size(), '\0');
            const GxtRun slow = DecodeGxtRunPortable(bytes, pos, stop, portable.data());
            std::string over = file;
            const uint64_t back = rng() % (pos + 1);
            char* const start = over.data() + pos - back;
            const GxtRun fast = DecodeGxtRun(reinterpret_cast<const uint8_t*>(over.data()), file.size(), pos, stop, start);
            ASSERT_EQ(fast.pos, slow.pos);
            ASSERT_EQ(fast.terminated, slow.terminated);
            const std::string written(portable.data(), slow.out);
            ASSERT_EQ(std::string_view(start, fast.out - start), written);
            ASSERT_EQ(written, expected.substr(0, written.size()));
            if (stop == file.size()) {
                ASSERT_EQ(fast.terminated ? fast.pos + 2 : file.size(), at);
            }
        }
    }
}

TEST(Decoder, EveryFormOfTheWholeFilePassAgrees)
{
    // The loader's pass over all units: each form this machine runs writes the same
    // characters and the same map as the unit-at-a-time one, over its own bytes too; and
    // the map sends every unit to where its characters are.
    const std::vector<GxtUnitsDecoder> decoders = GxtUnitsDecoders();
    ASSERT_EQ(std::string(decoders.back().name), "portable");
    std::mt19937 rng(5);
    for (int round = 0; round < 2000; ++round) {
        std::string file = randomUnits(rng, 16 + rng() % 700);
        if (round % 4 == 0)  // long runs of one-byte characters, as in real files
            for (size_t i = 17; i < file.size(); i += 2)
                file[i] = rng() % 40 == 0 ? '!' : '\0';
        const uint64_t pos = 16 + rng() % std::min<size_t>(file.size() - 15, 40);
        const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
        GxtUnitMap reference;
        std::string expected(file.size(), '\0');
        expected.resize(decoders.back().decode(bytes, file.size(), pos, expected.data(), reference));
        for (const GxtUnitsDecoder& d : decoders) {
            SCOPED_TRACE(std::string(d.name) + ", round " + std::to_string(round));
            GxtUnitMap map;
            std::string out(file.size() - pos, '\0');
            ASSERT_EQ(d.decode(bytes, file.size(), pos, out.data(), map), expected.size());
            ASSERT_EQ(out.substr(0, expected.size()), expected);
            ASSERT_TRUE(map == reference);
            std::string over = file;
            ASSERT_EQ(d.decode(reinterpret_cast<const uint8_t*>(over.data()), over.size(), pos, over.data(), map),
                      expected.size());
            ASSERT_EQ(over.substr(0, expected.size()), expected);
        }
        // Each unit's characters where the map says, each terminator found from every unit
        // before it.
        GxtUnitMap::Cursor cursor;
        uint64_t nextEnd = reference.units;
        for (uint64_t u = reference.units; u-- > 0;)
            if (file[pos + 2 * u] == 0 && file[pos + 2 * u + 1] == 0) {
                ASSERT_EQ(reference.nextEnd(u), u);
                nextEnd = u;
            } else {
                ASSERT_EQ(reference.nextEnd(u), nextEnd);
            }
        for (uint64_t u = 0; u < reference.units; ++u) {
            const uint64_t at = u + reference.wideBefore(u, cursor);
            ASSERT_EQ(expected[at], file[pos + 2 * u]) << "unit " << u;
            if (file[pos + 2 * u + 1] != 0) {
                ASSERT_EQ(expected[at + 1], file[pos + 2 * u + 1]);
            }
        }
    }
}

TEST(Decoder, LongRunsOfPlainCharacters)
{
    // Whole blocks of one-byte characters, a block with one two-byte unit, and a
    // terminator at every place within a block.
    for (size_t stop = 0; stop < 40; ++stop) {
        std::string file;
        for (size_t i = 0; i < 40; ++i)
            file += i == stop ? "\0\0"s : std::string{static_cast<char>('a' + i % 26), i == 21 ? 'Z' : '\0'};
        file += "tail";
        uint64_t pos = 0, next = 0;
        EXPECT_EQ(ReadGxtString(file, pos), referenceRead(file, next));
        EXPECT_EQ(pos, std::min<uint64_t>(2 * stop + 2, file.size()));
        EXPECT_EQ(pos, next);
    }
}

TEST(TextStore, LoadsEveryLayoutAsEachStringAlone)
{
    std::mt19937 rng(11);
    for (int round = 0; round < 400; ++round) {
        const std::string data = randomUnits(rng, rng() % 400);
        std::vector<uint32_t> offsets(rng() % 40);
        for (uint32_t& o : offsets) {
            const unsigned r = rng() % 10;
            // Mostly inside the data (even and odd, into each other's strings), some at
            // its very end or past it.
            o = r < 8 || data.empty() ? (data.empty() ? 0 : rng() % data.size())
                : r < 9 ? static_cast<uint32_t>(data.size() - 1) : static_cast<uint32_t>(data.size() + rng() % 9);
        }
        if (rng() % 3 == 0)
            std::sort(offsets.begin(), offsets.end());
        SCOPED_TRACE("round " + std::to_string(round));
        expectLoadedAsEachStringAlone(GxtImageOnOffsets(offsets, data));
    }
}

TEST(TextStore, GameLayoutsWithStringsNoKeyPointsAt)
{
    // Strings one after another as games write them, two-byte characters among them, but
    // some strings have no key (left over, or keys dropped), some keys share one, and
    // some keys are missing their string's start: the loader takes the usual layout for
    // granted and must notice when it does not hold.
    std::mt19937 rng(23);
    for (int round = 0; round < 600; ++round) {
        std::string data;
        std::vector<uint32_t> starts;
        const int strings = 1 + static_cast<int>(rng() % 30);
        for (int i = 0; i < strings; ++i) {
            starts.push_back(static_cast<uint32_t>(data.size()));
            const size_t length = rng() % 60;
            for (size_t c = 0; c < length; ++c) {
                data += static_cast<char>(1 + rng() % 255);
                data += rng() % 12 == 0 ? '!' : '\0';
            }
            data += "\0\0"s;
        }
        if (rng() % 4 == 0)
            data.pop_back();  // the last terminator cut short
        std::vector<uint32_t> offsets;
        for (uint32_t start : starts) {
            const unsigned r = rng() % 10;
            if (r == 0)
                continue;  // a string no key points at
            offsets.push_back(r == 1 ? start + 2 * static_cast<uint32_t>(rng() % 3) : start);
            if (r == 2)
                offsets.push_back(start);  // two keys on one string
        }
        std::sort(offsets.begin(), offsets.end());
        SCOPED_TRACE("round " + std::to_string(round));
        expectLoadedAsEachStringAlone(GxtImageOnOffsets(offsets, data));
    }
}

TEST(TextStore, SharedStringsCostTheirSizeOnce)
{
    // Many keys on one string, and keys on every unit of one long string (each a tail of
    // the next): the texts add up to far more than the file, the memory does not.
    const std::string line = EncodeUnits(std::string(192, 'q'));
    std::vector<uint32_t> same(20000, 0), tails;
    for (uint32_t o = 0; o < 2000; o += 2)
        tails.push_back(o);
    const std::string shared = GxtImageOnOffsets(same, line);
    const std::string chained = GxtImageOnOffsets(tails, EncodeUnits(std::string(1000, 'z')));
    for (const std::string& file : {shared, chained}) {
        const GxtDocument doc = ParseGxt(file, "t.gxt");
        uint64_t total = 0;
        for (size_t i = 0; i < doc.Count(); ++i)
            total += doc.text(i).size();
        EXPECT_GT(total, 4 * file.size());
        EXPECT_LE(doc.textBytesHeld(), file.size() / 4);
        EXPECT_EQ(doc.text(doc.Count() - 1), shared == file ? std::string(192, 'q') : "z");
    }

    // Past the work bound (every entry's text is walked by save, export and search) the
    // file is still refused.
    const std::string huge = EncodeUnits(std::string(1 << 20, 'x'));
    EXPECT_THROW(ParseGxt(GxtImageOnOffsets(std::vector<uint32_t>(40, 0), huge), "h.gxt"), FileError);
}

TEST(TextStore, EditsAreCopiedOnWriteAndRestoreToTheLoadedText)
{
    GxtDocument doc = ParseGxt(GxtBuilder().add("a", "first").addShared("b", 0).add("c", "third").build(), "t");
    doc.setText(0, "changed");
    EXPECT_EQ(doc.text(0), "changed");
    EXPECT_EQ(doc.text(1), "first") << "the entry sharing the string keeps it";
    EXPECT_EQ(doc.loadedText(0), "first");
    EXPECT_TRUE(doc.hasOwnText(0));
    EXPECT_FALSE(doc.hasOwnText(1));

    // The undo history's step: the text goes in, the one it replaces comes back.
    Text swapped = "again";
    doc.swapText(0, swapped);
    EXPECT_EQ(swapped, "changed");
    swapped = "third, edited";
    doc.swapText(2, swapped);
    EXPECT_EQ(swapped, "third");

    const GxtDocument copy = doc;
    doc.restoreText(0);
    EXPECT_EQ(doc.text(0), "first");
    EXPECT_FALSE(doc.hasOwnText(0));
    EXPECT_EQ(copy.text(0), "again") << "a copy keeps its own edits";
    // A freed place is used again, without disturbing the other edited entry.
    doc.setText(1, "second");
    EXPECT_EQ(doc.text(1), "second");
    EXPECT_EQ(doc.text(2), "third, edited");

    RestoreAllTexts(doc);
    EXPECT_EQ(doc.currentTexts(), (std::vector<Text>{"first", "first", "third"}));
    EXPECT_EQ(BuildGxtImage(doc), BuildGxtImage(ParseGxt(BuildGxtImage(doc), "again")));
}
