#include "gxtdecode.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zarnik {

GxtStringExtent ScanGxtStringPortable(const uint8_t* bytes, uint64_t size, uint64_t pos)
{
    GxtStringExtent r;
    uint64_t p = pos;
    for (; p + 1 < size; p += 2) {
        const uint8_t low = bytes[p], high = bytes[p + 1];
        if ((low | high) == 0)
            break;
        r.chars += high != 0 ? 2 : 1;
    }
    r.end = p;
    r.tailChar = p + 1 == size && bytes[p] != 0;
    return r;
}

char* DecodeGxtUnitsPortable(const uint8_t* from, uint64_t length, char* out)
{
    for (uint64_t p = 0; p < length; p += 2) {
        const uint8_t low = from[p], high = from[p + 1];
        *out++ = static_cast<char>(low);
        if (high != 0)
            *out++ = static_cast<char>(high);
    }
    return out;
}

#if defined(__SSE2__)

GxtStringExtent ScanGxtString(const uint8_t* bytes, uint64_t size, uint64_t pos)
{
    // Eight units at a time while no terminator is among them; the block that holds one,
    // and the last few units, go through the portable loop. Each lane counts the units
    // with a zero high byte it has seen (a compare gives -1 for each), and the lanes are
    // added up before they could overflow.
    const __m128i zero = _mm_setzero_si128();
    uint64_t p = pos;
    uint64_t plain = 0, blocks = 0;
    auto addLanes = [&plain](__m128i counts) {
        alignas(16) uint16_t lanes[8];
        _mm_store_si128(reinterpret_cast<__m128i*>(lanes), counts);
        for (uint16_t lane : lanes)
            plain += lane;
    };
    __m128i counts = zero;
    int inCounts = 0;
    while (p + 16 <= size) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + p));
        const int stops = _mm_movemask_epi8(_mm_cmpeq_epi16(units, zero));
        const __m128i plainUnits = _mm_cmpeq_epi16(_mm_srli_epi16(units, 8), zero);
        if (stops != 0) {
            // The terminator is here (each unit gives two mask bits): count the units
            // before it and stop.
            const int before = __builtin_ctz(static_cast<unsigned>(stops)) / 2;
            const __m128i lane = _mm_set_epi16(7, 6, 5, 4, 3, 2, 1, 0);
            const __m128i ahead = _mm_cmpgt_epi16(_mm_set1_epi16(static_cast<short>(before)), lane);
            counts = _mm_sub_epi16(counts, _mm_and_si128(plainUnits, ahead));
            addLanes(counts);
            GxtStringExtent r;
            r.end = p + 2 * static_cast<uint64_t>(before);
            r.chars = 16 * blocks + 2 * static_cast<uint64_t>(before) - plain;
            return r;
        }
        counts = _mm_sub_epi16(counts, plainUnits);
        if (++inCounts == 0xFFFF) {
            addLanes(counts);
            counts = zero;
            inCounts = 0;
        }
        ++blocks;
        p += 16;
    }
    if (blocks)
        addLanes(counts);
    GxtStringExtent r = ScanGxtStringPortable(bytes, size, p);
    r.chars += 16 * blocks - plain;
    return r;
}

char* DecodeGxtUnits(const uint8_t* from, uint64_t length, char* out)
{
    const __m128i zero = _mm_setzero_si128();
    uint64_t p = 0;
    for (; p + 16 <= length; p += 16) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + p));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_srli_epi16(units, 8), zero)) == 0xFFFF) {
            // Eight one-byte characters: the units already fit a byte, so packing them
            // with saturation keeps them exactly.
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(units, units));
            out += 8;
        } else {
            out = DecodeGxtUnitsPortable(from + p, 16, out);
        }
    }
    return DecodeGxtUnitsPortable(from + p, length - p, out);
}

#else

GxtStringExtent ScanGxtString(const uint8_t* bytes, uint64_t size, uint64_t pos)
{
    return ScanGxtStringPortable(bytes, size, pos);
}

char* DecodeGxtUnits(const uint8_t* from, uint64_t length, char* out)
{
    return DecodeGxtUnitsPortable(from, length, out);
}

#endif

}  // namespace zarnik
