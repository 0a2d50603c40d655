// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace zarnik {

// Windows-1251 with our own table, so what the user sees never depends on which codecs a
// toolkit build carries. Every byte maps to one UTF-16 unit and back without loss
// (0x98, undefined in the code page, maps to U+0098).
char16_t Cp1251ToUnicode(uint8_t byte);
// A character outside Windows-1251 becomes "?", as a Windows ANSI program does.
uint8_t UnicodeToCp1251(char16_t ch);

std::u16string Cp1251ToUtf16(std::string_view bytes);
std::string Utf16ToCp1251(std::u16string_view text);
std::string Cp1251ToUtf8(std::string_view bytes);
// Invalid UTF-8 and characters outside Windows-1251 become "?".
std::string Utf8ToCp1251(std::string_view utf8);

// Upper-casing by the code page's own lower/upper pairs (а-я, ё, a-z, ў, і, ґ, є, ...),
// not by Unicode rules, which differ on some of its bytes.
uint8_t Cp1251Upper(uint8_t byte);
void Cp1251UpperInPlace(std::string& bytes);

}  // namespace zarnik
