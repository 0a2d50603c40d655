// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/bigmemory.h"

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace zarnik {

// The string codec's reading side, built to decode whole documents at memory speed. A
// unit whose high byte is 0 gives one character (its low byte); any other unit gives two,
// low byte first. A string ends at a unit of value 0 (the terminator), or where the bytes
// run out; a single last byte without its high byte is a character of its own unless it
// is 0 (KeepLoneLastByte, called by whoever knows where the bytes end).

struct GxtRun {
    uint64_t pos = 0;         // where decoding stopped: the terminator, or `stop`, or the last whole unit's end
    char* out = nullptr;      // the end of what was written
    bool terminated = false;  // stopped at a terminator (at `pos`)
};

// Decodes the whole units of [pos, stop) to `out`, up to the first terminator; `stop`
// is at most `size`, the end of the readable bytes, which it may read up to. `out` may
// lie at or before `bytes + pos` in the same memory, so that strings decode in place:
// every unit is read before anything is written over it. Up to 8 bytes after the end of
// what it writes may be overwritten too, so a caller that decodes one run after another
// in place keeps `out` more than 8 bytes behind the bytes still to be decoded.
GxtRun DecodeGxtRun(const uint8_t* bytes, uint64_t size, uint64_t pos, uint64_t stop, char* out);

// The same, a unit at a time: the reference the vector form is held to, and the form
// used where no vector unit helps.
GxtRun DecodeGxtRunPortable(const uint8_t* bytes, uint64_t pos, uint64_t stop, char* out);

// Where a string runs to the end of the bytes and `pos` is the last one, a single byte
// without its high byte: a character of its own unless it is 0. Returns the new end of `out`.
inline char* KeepLoneLastByte(const uint8_t* bytes, uint64_t size, uint64_t pos, char* out)
{
    if (pos + 1 == size && bytes[pos] != 0)
        *out++ = static_cast<char>(bytes[pos]);
    return out;
}

}  // namespace zarnik

namespace zarnik {

// The loader's pass over the strings of one parity: every whole unit from a position to
// the end of the bytes, decoded in one go (units between strings and terminators
// included; a terminator becomes one 0 byte), with a map from units to where their
// characters landed. Decoding everything avoids a stop and a mispredicted branch at every
// string; the map then gives each entry its text without reading the units again.
struct GxtUnitMap {
    static constexpr uint64_t kBlockUnits = 16;

    // A block of 16 units with a unit that gave two characters: which ones, and how many
    // did before the block. Rare in real files, so kept apart from the blocks without.
    struct WideBlock {
        uint32_t block;
        uint32_t before;  // wide units before the block, and up to its end
        uint32_t after;
        uint16_t units;
        friend bool operator==(const WideBlock&, const WideBlock&) = default;
    };
    std::vector<uint16_t, BigAllocator<uint16_t>> ends;  // one bit per unit (bit i of block b: unit 16b + i) for terminators
    std::vector<WideBlock> wide;
    uint64_t units = 0;
    uint64_t endCount = 0;  // terminators among all the units

    // Units before `unit` that gave two characters, so that unit `unit` landed at
    // `unit + wideBefore(unit)`. Asked in nondecreasing order of `unit` per cursor.
    struct Cursor {
        size_t next = 0;
    };
    uint64_t wideBefore(uint64_t unit, Cursor& cursor) const;
    // The first terminator at or after `unit`, or `units` when none follows.
    uint64_t nextEnd(uint64_t unit) const;
    // Whether unit `unit` is a terminator.
    bool isEnd(uint64_t unit) const { return (ends[unit / kBlockUnits] >> (unit % kBlockUnits)) & 1u; }
    // The terminators from `unit` to the end.
    uint64_t endsFrom(uint64_t unit) const;

    static uint64_t countBits(uint16_t bits);

    friend bool operator==(const GxtUnitMap&, const GxtUnitMap&) = default;
};

// Counted from a table: without a population-count instruction in the baseline x86-64,
// the builtin becomes a library call.
inline uint64_t GxtUnitMap::countBits(uint16_t bits)
{
    static constexpr auto kBytes = [] {
        std::array<uint8_t, 256> t{};
        for (unsigned i = 1; i < 256; ++i)
            t[i] = static_cast<uint8_t>((i & 1) + t[i / 2]);
        return t;
    }();
    return kBytes[bits & 0xFF] + kBytes[bits >> 8];
}

inline uint64_t GxtUnitMap::wideBefore(uint64_t unit, Cursor& cursor) const
{
    const uint64_t block = unit / kBlockUnits;
    while (cursor.next < wide.size() && wide[cursor.next].block < block)
        ++cursor.next;
    if (cursor.next < wide.size() && wide[cursor.next].block == block) {
        const WideBlock& w = wide[cursor.next];
        return w.before + countBits(static_cast<uint16_t>(w.units & ((1u << (unit % kBlockUnits)) - 1)));
    }
    if (cursor.next == 0)
        return 0;
    return wide[cursor.next - 1].after;
}

inline uint64_t GxtUnitMap::endsFrom(uint64_t unit) const
{
    uint64_t block = unit / kBlockUnits;
    if (block >= ends.size())
        return 0;
    uint64_t count = countBits(static_cast<uint16_t>(ends[block] >> (unit % kBlockUnits)));
    while (++block < ends.size())
        count += countBits(ends[block]);
    return count;
}

inline uint64_t GxtUnitMap::nextEnd(uint64_t unit) const
{
    uint64_t block = unit / kBlockUnits;
    if (block >= ends.size())
        return units;
    const uint32_t here = static_cast<uint32_t>(ends[block]) >> (unit % kBlockUnits);
    if (here != 0)
        return unit + static_cast<uint64_t>(__builtin_ctz(here));
    // Eight blocks at a time, read as two numbers whose bits count the units in order (on
    // little-endian machines): most strings end within the next 128 units, so the loop
    // mostly runs once, and this is done per string.
    if constexpr (std::endian::native == std::endian::little) {
        for (++block; block + 8 <= ends.size(); block += 8) {
            uint64_t four[2];
            std::memcpy(four, &ends[block], sizeof four);
            if ((four[0] | four[1]) != 0)
                return block * kBlockUnits + (four[0] != 0 ? static_cast<uint64_t>(__builtin_ctzll(four[0]))
                                                           : 64 + static_cast<uint64_t>(__builtin_ctzll(four[1])));
        }
    } else {
        ++block;
    }
    for (; block < ends.size(); ++block)
        if (ends[block] != 0)
            return block * kBlockUnits + static_cast<uint64_t>(__builtin_ctz(ends[block]));
    return units;
}

// Decodes the whole units of [pos, size) to `out` and returns how many bytes it wrote,
// at most size - pos. `out` may be `bytes` itself, as long as it lies at least 16 bytes
// before `bytes + pos`: every unit is read before anything is written over it.
uint64_t DecodeGxtUnitsFrom(const uint8_t* bytes, uint64_t size, uint64_t pos, char* out, GxtUnitMap& map);

// Every form of the above this machine can run, the one it uses first: for tests, which
// hold the vector forms to the unit-at-a-time one (the last).
struct GxtUnitsDecoder {
    const char* name;
    uint64_t (*decode)(const uint8_t* bytes, uint64_t size, uint64_t pos, char* out, GxtUnitMap& map);
};
std::vector<GxtUnitsDecoder> GxtUnitsDecoders();

}  // namespace zarnik
