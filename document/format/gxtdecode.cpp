// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/gxtdecode.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if (defined(__x86_64__) || defined(__i386__)) && defined(__GNUC__)
#include <immintrin.h>
#define ZARNIK_DECODE_AVX2 1
#endif

#include <algorithm>
#include <bit>
#include <cstring>

namespace zarnik {

GxtRun DecodeGxtRunPortable(const uint8_t* bytes, uint64_t pos, uint64_t stop, char* out)
{
    uint64_t p = pos;
    for (; p + 2 <= stop; p += 2) {
        const uint8_t low = bytes[p], high = bytes[p + 1];
        if ((low | high) == 0)
            return {p, out, true};
        *out++ = static_cast<char>(low);
        if (high != 0)
            *out++ = static_cast<char>(high);
    }
    return {p, out, false};
}

#if defined(__SSE2__)

GxtRun DecodeGxtRun(const uint8_t* bytes, uint64_t size, uint64_t pos, uint64_t stop, char* out)
{
    // Eight units at a time. Texts are nearly all one-byte characters, so a block whose
    // units all have a zero high byte is packed to eight bytes at once (with saturation,
    // which keeps values below 256 exactly), whatever follows a terminator or `stop` in
    // it included; the few blocks with a two-byte character go unit by unit. Blocks may
    // reach past `stop`, so that the usual run, which ends at a terminator right before
    // `stop`, finds it in a block instead of a unit at a time.
    const __m128i zero = _mm_setzero_si128();
    uint64_t p = pos;
    while (p + 2 <= stop && p + 16 <= size) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + p));
        const int narrow = _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_srli_epi16(units, 8), zero));
        if (narrow != 0xFFFF) {
            const GxtRun r = DecodeGxtRunPortable(bytes, p, stop < p + 16 ? stop : p + 16, out);
            if (r.terminated || r.pos != p + 16)
                return r;
            out = r.out;
            p += 16;
            continue;
        }
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
        // One bit past the units before `stop` marks where the block must end anyway.
        const uint64_t left = (stop - p) / 2;
        const unsigned ends = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi16(units, zero))) |
                              (left < 8 ? 1u << (2 * left) : 0u);
        if (ends != 0) {
            const int before = __builtin_ctz(ends) / 2;
            return {p + 2 * static_cast<uint64_t>(before), out + before, static_cast<uint64_t>(before) < left};
        }
        out += 8;
        p += 16;
    }
    return DecodeGxtRunPortable(bytes, p, stop, out);
}

#else

GxtRun DecodeGxtRun(const uint8_t* bytes, uint64_t, uint64_t pos, uint64_t stop, char* out)
{
    return DecodeGxtRunPortable(bytes, pos, stop, out);
}

#endif

namespace {

using Decoder = uint64_t (*)(const uint8_t*, uint64_t, uint64_t, char*, GxtUnitMap&);

// Block `block` of the map, `count` (at most 16) units from `p`, unit by unit: the
// portable form, and the vector forms' way with blocks that hold a two-byte character
// and with the last, short block. `wide` counts the two-character units so far.
inline char* decodeBlockPortable(const uint8_t* bytes, uint64_t p, uint64_t count, uint64_t block, char* out,
                                 GxtUnitMap& map, uint32_t& wide)
{
    uint32_t ends = 0, wideUnits = 0;
    const uint32_t before = wide;
    for (uint64_t j = 0; j < count; ++j) {
        const uint8_t low = bytes[p + 2 * j], high = bytes[p + 2 * j + 1];
        ends |= static_cast<uint32_t>((low | high) == 0) << j;
        wideUnits |= static_cast<uint32_t>(high != 0) << j;
        // Both bytes are written and the second kept only for a two-byte character, with
        // no branch to mispredict: the next character overwrites a 0 high byte. That
        // byte lies within what this unit's two bytes could have decoded to, so it never
        // reaches past what the caller allows.
        out[0] = static_cast<char>(low);
        out[1] = static_cast<char>(high);
        out += 1 + (high != 0);
    }
    wide += static_cast<uint32_t>(GxtUnitMap::countBits(static_cast<uint16_t>(wideUnits)));
    map.ends[block] = static_cast<uint16_t>(ends);
    map.endCount += GxtUnitMap::countBits(static_cast<uint16_t>(ends));
    if (wideUnits != 0)
        map.wide.push_back({static_cast<uint32_t>(block), before, wide, static_cast<uint16_t>(wideUnits)});
    return out;
}

// Sizes the map for the units from `pos` on and returns how many there are.
uint64_t startMap(uint64_t size, uint64_t pos, GxtUnitMap& map)
{
    map.units = pos < size ? (size - pos) / 2 : 0;
    map.ends.assign((map.units + GxtUnitMap::kBlockUnits - 1) / GxtUnitMap::kBlockUnits, 0);
    map.wide.clear();
    map.endCount = 0;
    return map.units;
}

uint64_t decodeUnitsPortable(const uint8_t* bytes, uint64_t size, uint64_t pos, char* out, GxtUnitMap& map)
{
    const uint64_t units = startMap(size, pos, map);
    uint32_t wide = 0;
    char* w = out;
    for (uint64_t block = 0; block * 16 < units; ++block)
        w = decodeBlockPortable(bytes, pos + 32 * block, std::min<uint64_t>(16, units - 16 * block), block, w, map,
                                wide);
    return static_cast<uint64_t>(w - out);
}

#if defined(__SSE2__)
uint64_t decodeUnitsSse2(const uint8_t* bytes, uint64_t size, uint64_t pos, char* out, GxtUnitMap& map)
{
    const uint64_t units = startMap(size, pos, map);
    uint16_t* const endBits = map.ends.data();  // kept in a register: the character stores could alias the map
    uint64_t endCount = 0;
    const __m128i zero = _mm_setzero_si128();
    uint32_t wide = 0;
    char* w = out;
    uint64_t block = 0;
    for (; (block + 1) * 16 <= units; ++block) {
        const uint8_t* p = bytes + pos + 32 * block;
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16));
        const __m128i high = _mm_or_si128(_mm_srli_epi16(a, 8), _mm_srli_epi16(b, 8));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(high, zero)) != 0xFFFF) {
            w = decodeBlockPortable(bytes, pos + 32 * block, 16, block, w, map, wide);
            continue;
        }
        // Sixteen one-byte characters: the units fit a byte, so packing them with
        // saturation keeps them exactly; the terminators' compare results pack to bits.
        const __m128i ends = _mm_packs_epi16(_mm_cmpeq_epi16(a, zero), _mm_cmpeq_epi16(b, zero));
        const auto blockEnds = static_cast<uint16_t>(_mm_movemask_epi8(ends));
        endBits[block] = blockEnds;
        endCount += GxtUnitMap::countBits(blockEnds);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(w), _mm_packus_epi16(a, b));
        w += 16;
    }
    if (block * 16 < units)
        w = decodeBlockPortable(bytes, pos + 32 * block, units - 16 * block, block, w, map, wide);
    map.endCount += endCount;
    return static_cast<uint64_t>(w - out);
}
#endif

#if ZARNIK_DECODE_AVX2
// For eight units of which those in `wide` (bit j: unit j) give two characters: which
// input byte goes to each output byte, the low byte of every unit and the high byte of
// the wide ones, in order. Bytes past the output's length are don't-cares.
struct WideShuffles {
    alignas(16) uint8_t table[256][16];
    constexpr WideShuffles() : table{}
    {
        for (unsigned wide = 0; wide < 256; ++wide) {
            unsigned o = 0;
            for (unsigned j = 0; j < 8; ++j) {
                table[wide][o++] = static_cast<uint8_t>(2 * j);
                if (wide & (1u << j))
                    table[wide][o++] = static_cast<uint8_t>(2 * j + 1);
            }
            while (o < 16)
                table[wide][o++] = 0x80;  // a zero byte
        }
    }
};
constexpr WideShuffles kWideShuffles;

__attribute__((target("avx2,popcnt"))) uint64_t decodeUnitsAvx2(const uint8_t* bytes, uint64_t size, uint64_t pos,
                                                          char* out, GxtUnitMap& map)
{
    const uint64_t units = startMap(size, pos, map);
    uint16_t* const endBits = map.ends.data();  // kept in a register: the character stores could alias the map
    uint64_t endCount = 0;
    const __m256i zero = _mm256_setzero_si256();
    uint32_t wide = 0;
    char* w = out;
    uint64_t block = 0;
    for (; (block + 1) * 16 <= units; ++block) {
        const __m256i u = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(bytes + pos + 32 * block));
        const __m256i endUnits = _mm256_cmpeq_epi16(u, zero);
        const uint32_t ends = static_cast<uint32_t>(_mm_movemask_epi8(
            _mm_packs_epi16(_mm256_castsi256_si128(endUnits), _mm256_extracti128_si256(endUnits, 1))));
        endBits[block] = static_cast<uint16_t>(ends);
        endCount += static_cast<uint64_t>(_mm_popcnt_u32(ends));
        const __m256i high = _mm256_srli_epi16(u, 8);
        if (_mm256_testz_si256(high, high)) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(w),
                             _mm_packus_epi16(_mm256_castsi256_si128(u), _mm256_extracti128_si256(u, 1)));
            w += 16;
            continue;
        }
        // A two-byte character (a marker such as "l!", mostly): each half of the block
        // is spread by a shuffle chosen by which of its units are wide.
        const __m256i narrow = _mm256_cmpeq_epi16(high, zero);
        const uint32_t wideUnits = ~static_cast<uint32_t>(_mm_movemask_epi8(_mm_packs_epi16(
                                       _mm256_castsi256_si128(narrow), _mm256_extracti128_si256(narrow, 1)))) &
                                   0xFFFF;
        const uint32_t before = wide;
        wide += static_cast<uint32_t>(GxtUnitMap::countBits(static_cast<uint16_t>(wideUnits)));
        map.wide.push_back({static_cast<uint32_t>(block), before, wide, static_cast<uint16_t>(wideUnits)});
        const __m128i halves[2] = {_mm256_castsi256_si128(u), _mm256_extracti128_si256(u, 1)};
        for (int h = 0; h < 2; ++h) {
            const unsigned bits = (wideUnits >> (8 * h)) & 0xFF;
            const __m128i shuffle = _mm_load_si128(reinterpret_cast<const __m128i*>(kWideShuffles.table[bits]));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(w), _mm_shuffle_epi8(halves[h], shuffle));
            w += 8 + GxtUnitMap::countBits(static_cast<uint16_t>(bits));
        }
    }
    if (block * 16 < units)
        w = decodeBlockPortable(bytes, pos + 32 * block, units - 16 * block, block, w, map, wide);
    map.endCount += endCount;
    return static_cast<uint64_t>(w - out);
}
#endif

}  // namespace

std::vector<GxtUnitsDecoder> GxtUnitsDecoders()
{
    std::vector<GxtUnitsDecoder> all;
#if ZARNIK_DECODE_AVX2
    if (__builtin_cpu_supports("avx2") && __builtin_cpu_supports("popcnt"))
        all.push_back({"AVX2", decodeUnitsAvx2});
#endif
#if defined(__SSE2__)
    all.push_back({"SSE2", decodeUnitsSse2});
#endif
    all.push_back({"portable", decodeUnitsPortable});
    return all;
}

uint64_t DecodeGxtUnitsFrom(const uint8_t* bytes, uint64_t size, uint64_t pos, char* out, GxtUnitMap& map)
{
    static const Decoder best = GxtUnitsDecoders().front().decode;
    return best(bytes, size, pos, out, map);
}

}  // namespace zarnik
