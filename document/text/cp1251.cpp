// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/cp1251.h"

#include <array>

namespace zarnik {

namespace {

constexpr char16_t kHigh[128] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,  // 80
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,  // 88
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // 90
    0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,  // 98
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,  // A0
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,  // A8
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,  // B0
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,  // B8
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,  // C0
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,  // E0
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

struct ReverseTable {
    // Only the ranges the code page uses: Latin-1 punctuation, Cyrillic, and a few symbols.
    std::array<uint8_t, 0x100> latin{};     // U+0080..U+00FF
    std::array<uint8_t, 0x60> cyrillic{};   // U+0400..U+045F
    std::array<uint8_t, 0x100> general{};   // U+2000..U+20FF
    uint8_t numero = 0;                     // U+2116
    uint8_t trade = 0;                      // U+2122
    uint8_t gheUp = 0, gheLow = 0;          // U+0490, U+0491
};

ReverseTable makeReverse()
{
    ReverseTable r;
    for (int b = 0x80; b < 0x100; ++b) {
        const char16_t u = kHigh[b - 0x80];
        const auto byte = static_cast<uint8_t>(b);
        if (u >= 0x80 && u < 0x100) r.latin[u - 0x80] = byte;
        else if (u >= 0x400 && u < 0x460) r.cyrillic[u - 0x400] = byte;
        else if (u >= 0x2000 && u < 0x2100) r.general[u - 0x2000] = byte;
        else if (u == 0x2116) r.numero = byte;
        else if (u == 0x2122) r.trade = byte;
        else if (u == 0x490) r.gheUp = byte;
        else if (u == 0x491) r.gheLow = byte;
    }
    return r;
}

const ReverseTable& reverse()
{
    static const ReverseTable r = makeReverse();
    return r;
}

std::array<uint8_t, 256> makeUpper()
{
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = static_cast<uint8_t>(i);
    for (int c = 'a'; c <= 'z'; ++c)
        t[c] = static_cast<uint8_t>(c - 0x20);
    for (int c = 0xE0; c <= 0xFF; ++c)
        t[c] = static_cast<uint8_t>(c - 0x20);
    const std::pair<int, int> pairs[] = {
        {0xB8, 0xA8}, {0x83, 0x81}, {0x90, 0x80}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D},
        {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1}, {0xB3, 0xB2}, {0xB4, 0xA5}, {0xBA, 0xAA},
        {0xBC, 0xA3}, {0xBE, 0xBD}, {0xBF, 0xAF},
    };
    for (auto [lower, upper] : pairs)
        t[lower] = static_cast<uint8_t>(upper);
    return t;
}

const std::array<uint8_t, 256> kUpper = makeUpper();

}  // namespace

char16_t Cp1251ToUnicode(uint8_t byte)
{
    return byte < 0x80 ? char16_t(byte) : kHigh[byte - 0x80];
}

uint8_t UnicodeToCp1251(char16_t ch)
{
    if (ch < 0x80)
        return static_cast<uint8_t>(ch);
    const ReverseTable& r = reverse();
    uint8_t b = 0;
    if (ch < 0x100) b = r.latin[ch - 0x80];
    else if (ch >= 0x400 && ch < 0x460) b = r.cyrillic[ch - 0x400];
    else if (ch >= 0x2000 && ch < 0x2100) b = r.general[ch - 0x2000];
    else if (ch == 0x2116) b = r.numero;
    else if (ch == 0x2122) b = r.trade;
    else if (ch == 0x490) b = r.gheUp;
    else if (ch == 0x491) b = r.gheLow;
    return b != 0 ? b : uint8_t('?');
}

std::u16string Cp1251ToUtf16(std::string_view bytes)
{
    std::u16string out(bytes.size(), u'\0');
    for (size_t i = 0; i < bytes.size(); ++i)
        out[i] = Cp1251ToUnicode(static_cast<uint8_t>(bytes[i]));
    return out;
}

std::string Utf16ToCp1251(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t ch = text[i];
        // A surrogate pair is one character outside the code page: one "?".
        if (ch >= 0xD800 && ch < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            ++i;
        out.push_back(static_cast<char>(UnicodeToCp1251(ch)));
    }
    return out;
}

std::string Cp1251ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        const char16_t u = Cp1251ToUnicode(static_cast<uint8_t>(c));
        if (u < 0x80) {
            out.push_back(static_cast<char>(u));
        } else if (u < 0x800) {
            out.push_back(static_cast<char>(0xC0 | (u >> 6)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        } else {
            out.push_back(static_cast<char>(0xE0 | (u >> 12)));
            out.push_back(static_cast<char>(0x80 | ((u >> 6) & 0x3F)));
            out.push_back(static_cast<char>(0x80 | (u & 0x3F)));
        }
    }
    return out;
}

std::string Utf8ToCp1251(std::string_view s)
{
    std::string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<uint8_t>(s[i]);
        uint32_t cp = 0;
        size_t len = 0;
        if (c < 0x80) { cp = c; len = 1; }
        else if ((c & 0xE0) == 0xC0) { cp = c & 0x1F; len = 2; }
        else if ((c & 0xF0) == 0xE0) { cp = c & 0x0F; len = 3; }
        else if ((c & 0xF8) == 0xF0) { cp = c & 0x07; len = 4; }
        bool ok = len > 0 && i + len <= s.size();
        for (size_t k = 1; ok && k < len; ++k) {
            const auto cc = static_cast<uint8_t>(s[i + k]);
            if ((cc & 0xC0) != 0x80) ok = false;
            else cp = (cp << 6) | (cc & 0x3F);
        }
        if (!ok) {
            out.push_back('?');
            ++i;
            continue;
        }
        i += len;
        out.push_back(cp <= 0xFFFF ? static_cast<char>(UnicodeToCp1251(static_cast<char16_t>(cp))) : '?');
    }
    return out;
}

uint8_t Cp1251Upper(uint8_t byte)
{
    return kUpper[byte];
}

void Cp1251UpperInPlace(std::string& bytes)
{
    for (char& c : bytes)
        c = static_cast<char>(kUpper[static_cast<uint8_t>(c)]);
}

}  // namespace zarnik
