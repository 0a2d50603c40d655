// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "format/gxtdocument.h"

#include <optional>
#include <string_view>

namespace zarnik {

// The two ways Russian .gxt files put Cyrillic into 8-bit slots.
//  Pirate: upper-case letters only, each 0x40 below its Windows-1251 code.
//  Buka:   a 64-entry glyph table, upper and lower case.
// Conversions work in place; bytes a conversion does not name pass through untouched.

enum class Direction { ToDisplay, ToStorage };

void PirateConvert(Text& text, Direction dir);
void BukaConvert(Text& text, Direction dir);
// "ё" to "е" and "Ё" to "Е": neither encoding has a slot for them.
void FoldYo(Text& text);
// Lower-case Cyrillic to upper case; "Ё" and "ё" become "Е".
void UpperNoYo(Text& text);

bool IsPirateText(std::string_view text);
bool IsBukaText(std::string_view text);

// The single-text recodes, also used by the whole-document ones.
void RecodePirateToBuka(Text& text);
void RecodeBukaToPirate(Text& text);

enum class RecodeDirection { PirateToBuka, BukaToPirate };

// True when the text holds a byte of the direction's source encoding; only such texts
// are recoded.
bool HoldsRecodeSource(std::string_view text, RecodeDirection direction);
// Recodes one text in place, whether or not it holds source bytes.
void Recode(Text& text, RecodeDirection direction);
// Recodes every text that holds source bytes; returns how many did.
size_t RecodeAll(GxtDocument& doc, RecodeDirection direction);
void RestoreAllTexts(GxtDocument& doc);

// The Buka pairs in their order: letter (Windows-1251) and its Buka byte.
struct BukaPair {
    uint8_t letter;
    uint8_t buka;
};
extern const BukaPair kBukaPairs[64];

// Lookup tables built once from the pairs, first match winning, so that converting a
// large document costs one table lookup per byte.
const uint8_t* BukaToDisplayTable();
const uint8_t* BukaToStorageTable();
const uint8_t* PirateToDisplayTable();
const uint8_t* PirateToStorageTable();

}  // namespace zarnik

namespace zarnik {

// The editor's language modes, stored under these numbers. Any other number shows texts
// unconverted, like Original.
constexpr int kModeOriginal = 1;
constexpr int kModePirate = 2;
constexpr int kModeBuka = 3;

// A mode's name on the command line and in translation files ("original", "pirate",
// "buka"; "original" for a number that names no mode), and back.
const char* ModeName(int mode);
std::optional<int> ModeByName(std::string_view name);
// The "Язык" menu's caption (UTF-8) while `mode` is in force; plain "Язык" for a number
// that names no mode.
const char* ModeMenuCaption(int mode);

// The byte table that turns a stored text into what the user sees in `mode`, and back.
const uint8_t* DisplayTableFor(int mode);
const uint8_t* StorageTableFor(int mode);
void ToDisplay(Text& text, int mode);
void ToStorage(Text& text, int mode);

// Text the user typed (Windows-1251) as the editor takes it in `mode`: neither encoding
// has a slot for "ё", so it folds to "е", and Pirate has no lower case at all. What
// FoldTyped leaves is what the user is shown; TypedStorageTableFor maps a typed byte
// straight to the byte stored.
void FoldTyped(Text& text, int mode);
const uint8_t* TypedStorageTableFor(int mode);

}  // namespace zarnik
