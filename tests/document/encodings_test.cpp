// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/cp1251.h"
#include "text/encodings.h"
#include "gxtbuilder.h"
#include "text/lines.h"

#include <gtest/gtest.h>

#include <set>

using namespace zarnik;

namespace {

Text bytes(std::initializer_list<int> list)
{
    Text t;
    for (int b : list)
        t.push_back(static_cast<char>(b));
    return t;
}

Text w1251(std::string_view utf8)
{
    return Utf8ToCp1251(utf8);
}

Text shown(Text t, int mode)
{
    ToDisplay(t, mode);
    return t;
}

Text stored(Text t, int mode)
{
    ToStorage(t, mode);
    return t;
}

const std::string kAllLetters =
    "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя";

}  // namespace

TEST(Buka, EveryLetterRoundTripsExceptHardSign)
{
    const Text letters = w1251(kAllLetters);
    ASSERT_EQ(letters.size(), 64u);
    std::set<uint8_t> used;
    for (char c : letters) {
        const Text one(1, c);
        const Text b = stored(one, kModeBuka);
        EXPECT_NE(b, one == w1251("М") ? Text() : one) << "every letter but М moves";
        used.insert(static_cast<uint8_t>(b[0]));
        const Text back = shown(b, kModeBuka);
        if (one == w1251("Ъ"))
            EXPECT_EQ(back, w1251("Ь"));
        else if (one == w1251("ъ"))
            EXPECT_EQ(back, w1251("ь"));
        else
            EXPECT_EQ(back, one) << Cp1251ToUtf8(one);
    }
    EXPECT_EQ(used.size(), 62u) << "only Ь/Ъ and ь/ъ share a Buka byte";
    // Ё and ё have no Buka form.
    EXPECT_EQ(stored(w1251("Ёё"), kModeBuka), w1251("Ёё"));
}

TEST(Buka, EveryBukaByteShownAndStoredLandsOnItself)
{
    for (int b = 0; b < 256; ++b) {
        const Text t(1, static_cast<char>(b));
        if (IsBukaText(t))
            EXPECT_EQ(stored(shown(t, kModeBuka), kModeBuka), t) << b;
        else
            EXPECT_EQ(shown(t, kModeBuka), t) << "a byte that is no Buka letter passes: " << b;
    }
}

TEST(Buka, WorkedExamples)
{
    EXPECT_EQ(shown(bytes({0xC1, 0xD0, 0xC0}), kModeBuka), w1251("АБВ"));
    EXPECT_EQ(shown(bytes({0xCF, 0xF0}), kModeBuka), w1251("Ьь"));
    EXPECT_EQ(stored(w1251("Ъъ"), kModeBuka), bytes({0xCF, 0xF0}));
    // Pairs 21/22 and 23/24 are Х before Ф and Ч before Ц: a swapped pair would show here.
    EXPECT_EQ(shown(bytes({0xBC, 0xBE, 0xCA, 0xB3}), kModeBuka), w1251("ХФЧЦ"));
    EXPECT_EQ(stored(w1251("привет, Hello 123!"), kModeBuka),
              bytes({0xE3, 0xE4, 0xEE, 0xE1, 0xD7, 0xEF}) + ", Hello 123!");
}

TEST(Pirate, ShowStoreAndYo)
{
    EXPECT_EQ(shown(bytes({0x80, 0x81, 0x82}), kModePirate), w1251("АБВ"));
    EXPECT_EQ(shown(bytes({0xA0}), kModePirate), w1251("а"));
    EXPECT_EQ(stored(w1251("а"), kModePirate), w1251("а"));
    EXPECT_EQ(stored(w1251("Ё"), kModePirate), bytes({0x85}));
    EXPECT_EQ(shown(bytes({0x85}), kModePirate), w1251("Е"));
    EXPECT_EQ(stored(w1251("ПРИВЕТ"), kModePirate), bytes({0x8F, 0x90, 0x88, 0x82, 0x85, 0x92}));
    EXPECT_EQ(stored(w1251("ёж"), kModePirate), w1251("ёж")) << "lower case has no Pirate form";
    for (char c : w1251(kAllLetters.substr(0, 64)))  // upper case half
        EXPECT_EQ(shown(stored(Text(1, c), kModePirate), kModePirate), Text(1, c));
}

TEST(Encodings, UpperNoYoAndFoldYo)
{
    Text t = w1251("ёлка Ёж яЯ abc");
    Text folded = t;
    UpperNoYo(t);
    EXPECT_EQ(t, w1251("ЕЛКА ЕЖ ЯЯ abc"));
    FoldYo(folded);
    EXPECT_EQ(folded, w1251("елка Еж яЯ abc"));
}

TEST(Lines, SplitLikeAListOfLines)
{
    using V = std::vector<std::string_view>;
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (V{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("a\r\n"), (V{"a"})) << "a final break opens no line";
    EXPECT_EQ(SplitLines("\n\r\n"), (V{"", ""}));
    EXPECT_EQ(SplitLines("\r\r\n"), (V{"", ""})) << "CR then CR LF";
    EXPECT_TRUE(SplitLines("").empty());
}

TEST(Encodings, LatinTextPassesEverything)
{
    Text latin;
    for (int b = 1; b < 0x80; ++b)
        latin.push_back(static_cast<char>(b));
    for (int mode : {kModeOriginal, kModePirate, kModeBuka, 7}) {
        EXPECT_EQ(shown(latin, mode), latin);
        EXPECT_EQ(stored(latin, mode), latin);
    }
    EXPECT_FALSE(IsPirateText(latin));
    EXPECT_FALSE(IsBukaText(latin));
    Text t = latin;
    RecodePirateToBuka(t);
    RecodeBukaToPirate(t);
    EXPECT_EQ(t, latin);
}

TEST(Encodings, DetectionTests)
{
    EXPECT_TRUE(IsPirateText(bytes({'a', 0xA0})));
    EXPECT_FALSE(IsPirateText(bytes({0xA1, 0x7F})));
    // A Windows-1251 text counts as Buka as soon as it holds most letters...
    EXPECT_TRUE(IsBukaText(w1251("Привет")));
    // ...but not when made only of letters whose codes are no Buka byte.
    EXPECT_FALSE(IsBukaText(w1251("СТЮуфхцчшщъыьэюя")));
    EXPECT_FALSE(IsBukaText(bytes({0x80, 0x90, 0xA0})));
    // Long texts are examined to their end.
    Text longText(200000, 'x');
    longText.back() = static_cast<char>(0x81);
    EXPECT_TRUE(IsPirateText(longText));
    longText.back() = static_cast<char>(0xC1);
    EXPECT_TRUE(IsBukaText(longText));
}

TEST(Encodings, RecodeAllChains)
{
    GxtDocument doc;
    doc.keys.resize(5);
    doc.setLoadedTexts({
        bytes({0x80, 0x81, 0x82}),                  // Pirate АБВ
        bytes({0x8F, 0x90}) + w1251(" да"),         // Pirate with lower-case Windows-1251
        stored(w1251("Бука and Latin"), kModeBuka),  // Buka with Latin
        "plain Latin",
        "",
    });

    GxtDocument p2b = doc;
    RecodeAll(p2b, RecodeDirection::PirateToBuka);
    EXPECT_EQ(p2b.text(0), bytes({0xC1, 0xD0, 0xC0}));
    EXPECT_EQ(shown(Text(p2b.text(1)), kModeBuka), w1251("ПР да"));
    EXPECT_EQ(p2b.text(2), doc.text(2)) << "Buka text has no Pirate bytes";
    EXPECT_EQ(p2b.text(3), "plain Latin");

    GxtDocument back = p2b;
    RecodeAll(back, RecodeDirection::BukaToPirate);
    EXPECT_EQ(back.text(0), bytes({0x80, 0x81, 0x82}));
    EXPECT_EQ(shown(Text(back.text(2)), kModePirate), w1251("БУКА and Latin"));
    EXPECT_EQ(back.text(3), "plain Latin");

    // Buka to Pirate leaves a pure Pirate text alone but recodes one that also holds
    // lower-case Windows-1251 letters (E0-F2 are Buka bytes).
    GxtDocument b2p = doc;
    RecodeAll(b2p, RecodeDirection::BukaToPirate);
    EXPECT_EQ(b2p.text(0), doc.text(0));
    EXPECT_NE(b2p.text(1), doc.text(1));

    RestoreAllTexts(b2p);
    EXPECT_EQ(b2p.currentTexts(), doc.loadedTexts());
}
