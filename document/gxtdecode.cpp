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
    // and the last few units, go through the portable loop.
    const __m128i zero = _mm_setzero_si128();
    uint64_t p = pos;
    uint64_t chars = 0;
    while (p + 16 <= size) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + p));
        if (_mm_movemask_epi8(_mm_cmpeq_epi16(units, zero)) != 0)
            break;
        // Each unit with a zero high byte sets two mask bits.
        const int plain = __builtin_popcount(_mm_movemask_epi8(_mm_cmpeq_epi16(_mm_srli_epi16(units, 8), zero)));
        chars += 16 - plain / 2;
        p += 16;
    }
    GxtStringExtent r = ScanGxtStringPortable(bytes, size, p);
    r.chars += chars;
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
