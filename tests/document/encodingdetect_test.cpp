// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/cp1251.h"
#include "text/encodingdetect.h"
#include "text/encodings.h"
#include "gxtbuilder.h"
#include "format/gxtdocument.h"
#include "gxtgenerator.h"

#include <gtest/gtest.h>

#include <cstdio>

using namespace zarnik;
using namespace zarnik::testing;

namespace {

Text w1251(std::string_view utf8) { return Utf8ToCp1251(utf8); }

// Pirate as a recode of Buka makes it: upper case.
Text pirate(std::string_view utf8)
{
    Text t = BukaText(utf8);
    RecodeBukaToPirate(t);
    return t;
}

// Accented letters put into single bytes, the way European game files keep them.
Text accented(std::string_view utf8, std::initializer_list<std::pair<char32_t, uint8_t>> slots)
{
    Text out;
    for (size_t i = 0; i < utf8.size();) {
        const auto b = uint8_t(utf8[i]);
        if (b < 0x80) {
            out += char(b);
            ++i;
            continue;
        }
        const char32_t cp = ((b & 0x1F) << 6) | (uint8_t(utf8[i + 1]) & 0x3F);
        i += 2;
        char slot = '?';
        for (const auto& [letter, byte] : slots)
            if (letter == cp)
                slot = char(byte);
        out += slot;
    }
    return out;
}

const char* kSentence = "Угони машину и доставь её в гараж за мостом, пока не приехала полиция.";

}  // namespace

TEST(EncodingDetect, ARussianTextIsReadInTheEncodingItIsStoredIn)
{
    EXPECT_EQ(DetectTextEncoding(BukaText(kSentence)), TextEncoding::Buka);
    EXPECT_EQ(DetectTextEncoding(pirate(kSentence)), TextEncoding::Pirate);
    EXPECT_EQ(DetectTextEncoding(w1251(kSentence)), TextEncoding::Windows1251);

    // Icon markers (also on Pirate, whose letters are plain units too) and "#" highlights.
    EXPECT_EQ(DetectTextEncoding("l!" + BukaText("#Вы# теперь в игре.")), TextEncoding::Buka);
    EXPECT_EQ(DetectTextEncoding("z!" + pirate("Задание #выполнено#!")), TextEncoding::Pirate);
    EXPECT_EQ(DetectTextEncoding("S!" + w1251("Бонус! #5000$#")), TextEncoding::Windows1251);

    // Latin look-alikes typed into Russian words, in either case.
    EXPECT_EQ(DetectTextEncoding(BukaText("Пpивeт, coсед! Oтдай ключи")), TextEncoding::Buka);
    EXPECT_EQ(DetectTextEncoding(pirate("Пpивeт, coсед! Oтдай ключи")), TextEncoding::Pirate);

    // Nothing Cyrillic in any reading.
    for (const Text& t : {Text(), Text("Press #ENTER# to continue"), Text("l!5000$"), Text("\x85\x97")})
        EXPECT_EQ(DetectTextEncoding(t), TextEncoding::None) << t;
}

// Each of these holds bytes that the byte tests take for Pirate or Buka.
TEST(EncodingDetect, BytesThatLookForeignDoNotFoolIt)
{
    // Windows-1251 dashes and ellipses sit in the Pirate range.
    const Text typed = w1251("Тихо — охрана рядом. Жди, пока она не уйдет…");
    ASSERT_TRUE(IsPirateText(typed));
    EXPECT_EQ(DetectTextEncoding(typed), TextEncoding::Windows1251);

    // A no-break space would be a Pirate "а", a dash "Ч": letters the Pirate reading
    // would make Russian words of, but too few of the letters read to explain the text.
    for (const Text& t : {w1251("Счёт:") + "\xA0" + "500", w1251("Жди") + "\xA0" + w1251("у входа"),
                          w1251("ЗАДАНИЕ ВЫПОЛНЕНО \x97 ДЕНЬГИ НА СЧЕТУ")})
        EXPECT_EQ(DetectTextEncoding(t), TextEncoding::Windows1251) << Cp1251ToUtf8(t);

    // Windows-1251 letters with no Buka byte read the same in Buka: the plain reading wins.
    const Text plain = w1251("Ты тут?");
    ASSERT_FALSE(IsBukaText(w1251("Ты")));
    EXPECT_EQ(DetectTextEncoding(w1251("Ты")), TextEncoding::Windows1251);
    EXPECT_EQ(DetectTextEncoding(plain), TextEncoding::Windows1251);

    // German, Spanish and French letters in the game's slots 0x80-0xB0, whichever slot
    // each letter takes, and the Windows-1252 accents of one Spanish file (which are
    // Windows-1251 and Buka letters).
    const std::initializer_list<std::pair<char32_t, uint8_t>> layouts[] = {
        {{U'ä', 0x80}, {U'ö', 0x8E}, {U'ü', 0x9A}, {U'ß', 0x9F}, {U'Ü', 0x82}, {U'é', 0x85},
         {U'ñ', 0x8D}, {U'á', 0x80}, {U'ó', 0x8E}, {U'í', 0x93}, {U'à', 0x82}, {U'¿', 0xAF}},
        {{U'ä', 0xA0}, {U'ö', 0x9E}, {U'ü', 0x8F}, {U'ß', 0x92}, {U'Ü', 0x90}, {U'é', 0x88},
         {U'ñ', 0x91}, {U'á', 0x8C}, {U'ó', 0x8A}, {U'í', 0x8B}, {U'à', 0x80}, {U'¿', 0x9D}},
        {{U'ä', 0xE4}, {U'ö', 0xF6}, {U'ü', 0xFC}, {U'ß', 0xDF}, {U'Ü', 0xDC}, {U'é', 0xE9},
         {U'ñ', 0xF1}, {U'á', 0xE1}, {U'ó', 0xF3}, {U'í', 0xED}, {U'à', 0xE0}, {U'¿', 0xBF}},
    };
    for (const auto& slots : layouts) {
        for (const char* text : {"Größere Belohnung für schnellere Lieferung.", "Über die Brücke!",
                                 "Zerstöre alle Wagen.", "¿Tienes el dinero? Él te espera, señor.",
                                 "Misión cumplida, mañana aquí.", "Va à la gare, vite à droite."}) {
            const Text t = accented(text, slots);
            EXPECT_EQ(DetectTextEncoding(t), TextEncoding::None) << text;
        }
    }
}

TEST(EncodingDetect, ShortTextsAreDecidedOrLeftOpenButNotMistaken)
{
    for (const char* word : {"Да", "Нет", "Выход", "Пауза", "Сохранить", "Я", "Ура!"}) {
        EXPECT_EQ(DetectTextEncoding(BukaText(word)), TextEncoding::Buka) << word;
        EXPECT_EQ(DetectTextEncoding(pirate(word)), TextEncoding::Pirate) << word;
        EXPECT_EQ(DetectTextEncoding(w1251(word)), TextEncoding::Windows1251) << word;
    }
    // "Мир" in Buka reads "Мид" in Windows-1251: both Russian enough to leave it open.
    for (const char* word : {"Мир", "Босс"})
        EXPECT_NE(DetectTextEncoding(BukaText(word)), TextEncoding::Windows1251) << word;
}

TEST(EncodingDetect, TheFileVerdictCountsTheTextsBehindIt)
{
    EncodingVerdict v = DetectEncoding(std::vector<Text>{});
    EXPECT_EQ(v.encoding, Encoding::None);
    EXPECT_EQ(v.total, 0u);

    const Text buka = BukaText(kSentence), pir = pirate(kSentence), plain = w1251(kSentence);
    v = DetectEncoding({"Mission complete!", "", "\x85", buka, buka});
    EXPECT_EQ(v.encoding, Encoding::Buka);
    EXPECT_EQ(v.supporting, 2u);
    EXPECT_EQ(v.total, 5u);

    // One encoding must explain more than half of the Russian texts.
    v = DetectEncoding({buka, buka, plain, "English"});
    EXPECT_EQ(v.encoding, Encoding::Buka);
    EXPECT_EQ(v.supporting, 2u);
    v = DetectEncoding({buka, pir, plain, "English"});
    EXPECT_EQ(v.encoding, Encoding::Mixed);
    EXPECT_EQ(v.supporting, 3u);
    v = DetectEncoding({buka, pir, pir, plain, plain, plain, plain});
    EXPECT_EQ(v.encoding, Encoding::Windows1251);
    EXPECT_EQ(v.supporting, 4u);

    v = DetectEncoding({"Press #ENTER#", "", accented("Kein Zurück", {{U'ü', 0x9A}})});
    EXPECT_EQ(v.encoding, Encoding::None);
    EXPECT_EQ(v.supporting, 3u);

    // Texts too short to decide alone still decide the file together.
    const std::vector<Text> open = {BukaText("Босс"), BukaText("Миссия"), BukaText("Ты"), "OK"};
    for (size_t i = 0; i < 3; ++i)
        ASSERT_EQ(DetectTextEncoding(open[i]), TextEncoding::Unsure) << i;
    v = DetectEncoding(open);
    EXPECT_EQ(v.encoding, Encoding::Buka);
    EXPECT_EQ(v.supporting, 3u);
}

// Whole generated files of every kind, loaded from their bytes: every file must be named
// right (a short text may stay open, a whole file may not). tools/detectaccuracy runs
// the same measure over more files.
TEST(EncodingDetect, GeneratedFilesOfEveryKind)
{
    constexpr int kFiles = 60;
    for (FileKind kind : {FileKind::Buka, FileKind::Pirate, FileKind::Windows1251, FileKind::English,
                          FileKind::European, FileKind::Short, FileKind::Mixed}) {
        int right = 0;
        size_t russian = 0, mistaken = 0;
        for (int seed = 1; seed <= kFiles; ++seed) {
            const GeneratedFile f = GenerateGxtFile(kind, uint32_t(seed));
            const GxtDocument doc = ParseGxt(f.bytes, "generated");
            ASSERT_EQ(doc.currentTexts(), f.texts);
            const EncodingVerdict v = DetectEncoding(doc);
            right += v.encoding == f.expected;
            EXPECT_EQ(v.encoding, f.expected) << FileKindName(kind) << " seed " << seed;
            for (size_t i = 0; i < f.texts.size(); ++i) {
                const TextEncoding got = DetectTextEncoding(f.texts[i]);
                russian += f.truth[i] != TextEncoding::None;
                mistaken += got != f.truth[i] && got != TextEncoding::Unsure &&
                            !(got == TextEncoding::None && kind == FileKind::Short);
            }
        }
        std::printf("%-22s files right %d of %d; texts mistaken %zu of %zu Russian\n",
                    FileKindName(kind), right, kFiles, mistaken, russian);
        EXPECT_EQ(mistaken, 0u) << FileKindName(kind);
    }
}
