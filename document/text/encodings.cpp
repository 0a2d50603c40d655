// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/encodings.h"

#include <array>

namespace zarnik {

const BukaPair kBukaPairs[64] = {
    {0xC0, 0xC1}, {0xC1, 0xD0}, {0xC2, 0xC0}, {0xC3, 0xB8}, {0xC4, 0xC6}, {0xC5, 0xB6},
    {0xC6, 0xC7}, {0xC7, 0xBB}, {0xC8, 0xCD}, {0xC9, 0xB2}, {0xCA, 0xB5}, {0xCB, 0xC5},
    {0xCC, 0xCC}, {0xCD, 0xB7}, {0xCE, 0xC4}, {0xCF, 0xC2}, {0xD0, 0xC3}, {0xD1, 0xCB},
    {0xD2, 0xCE}, {0xD3, 0xB4}, {0xD5, 0xBC}, {0xD4, 0xBE}, {0xD7, 0xCA}, {0xD6, 0xB3},
    {0xD8, 0xB9}, {0xD9, 0xBA}, {0xDC, 0xCF}, {0xDB, 0xBF}, {0xDA, 0xCF}, {0xDD, 0xC8},
    {0xDE, 0xB1}, {0xDF, 0xC9},
    {0xE0, 0xE2}, {0xE1, 0xF1}, {0xE2, 0xE1}, {0xE3, 0xD9}, {0xE4, 0xE7}, {0xE5, 0xD7},
    {0xE6, 0xE8}, {0xE7, 0xDC}, {0xE8, 0xEE}, {0xE9, 0xD3}, {0xEA, 0xD6}, {0xEB, 0xE6},
    {0xEC, 0xED}, {0xED, 0xD8}, {0xEE, 0xE5}, {0xEF, 0xE3}, {0xF0, 0xE4}, {0xF1, 0xEC},
    {0xF2, 0xEF}, {0xF3, 0xD5}, {0xF5, 0xDD}, {0xF4, 0xDF}, {0xF7, 0xEB}, {0xF6, 0xD4},
    {0xF8, 0xDA}, {0xF9, 0xDB}, {0xFC, 0xF0}, {0xFB, 0xE0}, {0xFA, 0xF0}, {0xFD, 0xE9},
    {0xFE, 0xF2}, {0xFF, 0xEA},
};

namespace {

struct Tables {
    std::array<uint8_t, 256> bukaShow, bukaStore, pirateShow, pirateStore;
    std::array<bool, 256> isBuka{};
};

Tables makeTables()
{
    Tables t;
    for (int i = 0; i < 256; ++i)
        t.bukaShow[i] = t.bukaStore[i] = t.pirateShow[i] = t.pirateStore[i] = uint8_t(i);
    std::array<bool, 256> shownSet{}, storedSet{};
    for (const BukaPair& p : kBukaPairs) {
        // First match wins: a byte already claimed by an earlier pair keeps that pair.
        if (!shownSet[p.buka]) {
            t.bukaShow[p.buka] = p.letter;
            shownSet[p.buka] = true;
        }
        if (!storedSet[p.letter]) {
            t.bukaStore[p.letter] = p.buka;
            storedSet[p.letter] = true;
        }
        t.isBuka[p.buka] = true;
    }
    for (int b = 0x80; b <= 0xA0; ++b)
        t.pirateShow[b] = uint8_t(b + 0x40);
    for (int b = 0xC0; b <= 0xDF; ++b)
        t.pirateStore[b] = uint8_t(b - 0x40);
    t.pirateStore[0xA8] = 0x85;  // "Ё" has no slot of its own: it is stored as "Е"
    return t;
}

const Tables& tables()
{
    static const Tables t = makeTables();
    return t;
}

void apply(Text& text, const std::array<uint8_t, 256>& table)
{
    for (char& c : text)
        c = static_cast<char>(table[static_cast<uint8_t>(c)]);
}

}  // namespace

const uint8_t* BukaToDisplayTable() { return tables().bukaShow.data(); }
const uint8_t* BukaToStorageTable() { return tables().bukaStore.data(); }
const uint8_t* PirateToDisplayTable() { return tables().pirateShow.data(); }
const uint8_t* PirateToStorageTable() { return tables().pirateStore.data(); }

void PirateConvert(Text& text, Direction dir)
{
    apply(text, dir == Direction::ToDisplay ? tables().pirateShow : tables().pirateStore);
}

void BukaConvert(Text& text, Direction dir)
{
    apply(text, dir == Direction::ToDisplay ? tables().bukaShow : tables().bukaStore);
}

void FoldYo(Text& text)
{
    for (char& c : text) {
        if (c == '\xB8')
            c = '\xE5';
        else if (c == '\xA8')
            c = '\xC5';
    }
}

void UpperNoYo(Text& text)
{
    FoldYo(text);
    for (char& c : text) {
        const auto b = static_cast<uint8_t>(c);
        if (b >= 0xE0)
            c = static_cast<char>(b - 0x20);
    }
}

bool IsPirateText(std::string_view text)
{
    for (char c : text) {
        const auto b = static_cast<uint8_t>(c);
        if (b >= 0x80 && b <= 0xA0)
            return true;
    }
    return false;
}

bool IsBukaText(std::string_view text)
{
    const auto& isBuka = tables().isBuka;
    for (char c : text)
        if (isBuka[static_cast<uint8_t>(c)])
            return true;
    return false;
}

void RecodePirateToBuka(Text& text)
{
    PirateConvert(text, Direction::ToDisplay);
    BukaConvert(text, Direction::ToStorage);
}

void RecodeBukaToPirate(Text& text)
{
    BukaConvert(text, Direction::ToDisplay);
    UpperNoYo(text);
    PirateConvert(text, Direction::ToStorage);
}

bool HoldsRecodeSource(std::string_view text, RecodeDirection direction)
{
    return direction == RecodeDirection::PirateToBuka ? IsPirateText(text) : IsBukaText(text);
}

void Recode(Text& text, RecodeDirection direction)
{
    if (direction == RecodeDirection::PirateToBuka)
        RecodePirateToBuka(text);
    else
        RecodeBukaToPirate(text);
}

size_t RecodeAll(GxtDocument& doc, RecodeDirection direction)
{
    size_t recoded = 0;
    for (size_t i = 0; i < doc.Count(); ++i) {
        if (HoldsRecodeSource(doc.text(i), direction)) {
            Text t(doc.text(i));
            Recode(t, direction);
            doc.setText(i, std::move(t));
            ++recoded;
        }
    }
    return recoded;
}

void RestoreAllTexts(GxtDocument& doc)
{
    doc.restoreAllTexts();
}

}  // namespace zarnik

namespace zarnik {

namespace {
const std::array<uint8_t, 256>& identity()
{
    static const std::array<uint8_t, 256> t = [] {
        std::array<uint8_t, 256> a{};
        for (int i = 0; i < 256; ++i)
            a[i] = uint8_t(i);
        return a;
    }();
    return t;
}
}  // namespace

const char* ModeName(int mode)
{
    if (mode == kModePirate) return "pirate";
    if (mode == kModeBuka) return "buka";
    return "original";
}

std::optional<int> ModeByName(std::string_view name)
{
    for (int mode : {kModeOriginal, kModePirate, kModeBuka})
        if (name == ModeName(mode))
            return mode;
    return std::nullopt;
}

const char* ModeMenuCaption(int mode)
{
    switch (mode) {
    case kModeOriginal: return "Язык (О)";
    case kModePirate: return "Язык (П)";
    case kModeBuka: return "Язык (Б)";
    default: return "Язык";
    }
}

const uint8_t* DisplayTableFor(int mode)
{
    if (mode == kModePirate) return PirateToDisplayTable();
    if (mode == kModeBuka) return BukaToDisplayTable();
    return identity().data();
}

const uint8_t* StorageTableFor(int mode)
{
    if (mode == kModePirate) return PirateToStorageTable();
    if (mode == kModeBuka) return BukaToStorageTable();
    return identity().data();
}

void ToDisplay(Text& text, int mode)
{
    if (mode == kModePirate) PirateConvert(text, Direction::ToDisplay);
    else if (mode == kModeBuka) BukaConvert(text, Direction::ToDisplay);
}

void ToStorage(Text& text, int mode)
{
    if (mode == kModePirate) PirateConvert(text, Direction::ToStorage);
    else if (mode == kModeBuka) BukaConvert(text, Direction::ToStorage);
}

void FoldTyped(Text& text, int mode)
{
    if (mode == kModePirate)
        UpperNoYo(text);
    else
        FoldYo(text);
}

const uint8_t* TypedStorageTableFor(int mode)
{
    const auto build = [](int m) {
        std::array<uint8_t, 256> table{};
        const uint8_t* storage = StorageTableFor(m);
        for (int c = 0; c < 256; ++c) {
            Text typed(1, static_cast<char>(c));
            FoldTyped(typed, m);
            table[c] = storage[static_cast<uint8_t>(typed[0])];
        }
        return table;
    };
    static const std::array<uint8_t, 256> original = build(kModeOriginal), pirate = build(kModePirate),
                                          buka = build(kModeBuka);
    if (mode == kModePirate) return pirate.data();
    if (mode == kModeBuka) return buka.data();
    return original.data();
}

}  // namespace zarnik
