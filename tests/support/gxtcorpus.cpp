// SPDX-License-Identifier: GPL-3.0-or-later
#include "gxtcorpus.h"

#include "gxtbuilder.h"
#include "gxtgenerator.h"

namespace zarnik::testing {

using namespace std::string_literals;

std::vector<std::pair<std::string, std::string>> GxtCorpus()
{
    std::vector<std::pair<std::string, std::string>> files;
    files.emplace_back("sample", SampleGxtBytes());
    files.emplace_back("empty", GxtBuilder().build());

    // Every byte as a one-byte unit, alone and in runs, and the characters that need escapes
    // in one format or another, at the ends of a text and inside it.
    GxtBuilder bytes('R');
    std::string all;
    for (int b = 1; b < 256; ++b) {
        all += char(b);
        bytes.add("b" + std::to_string(b), std::string(1, char(b)));
    }
    bytes.add("all", all).add("edges", "\nline\n").add("nl", "\n").add("crtab", "\r\t\\x\r")
        .add("empty", "").add("yo", "\xB8\xA8\xC5\xE5").add("hard", "\xDA\xFA\xCF\xF0");
    files.emplace_back("bytes", bytes.build());

    // Units with a non-zero high byte: markers, a zero low byte, every high byte.
    GxtBuilder units('E');
    units.addRaw("mark", "l\x21" "a\0\0\0"s).addRaw("zero", "A\0\0B\0\0"s).addRaw("lead0", "\0!x\0\0\0"s);
    std::string highs;
    for (int b = 1; b < 256; ++b)
        highs += "a"s + char(b);
    units.addRaw("highs", highs + "\0\0"s);
    files.emplace_back("units", units.build());

    // Keys: leftovers after the zero, all zero, eight full bytes, controls, high bytes,
    // quotes and backslashes, and one key used three times.
    files.emplace_back("keys", GxtBuilder('R')
                                   .add("B25\0rcy\0"s, "one").add(std::string(8, '\0'), "zero key")
                                   .add("ABCDEFGH", "full").add("\t\n\x01\x7f\x98 k", "controls")
                                   .add("\xC0\xFF\xB8\xA8", "high").add("\"q\\", "quote")
                                   .add("twice", "1").add("twice", "2").add("other", "x").add("twice", "3")
                                   .build());

    // Layout oddities of real files: shared strings, unreferenced bytes, key-table padding,
    // a false data size, trailing zeros, odd offsets, an offset past the end, and a last
    // string running past the declared data and to the file's end unterminated.
    files.emplace_back("layout", GxtBuilder('G')
                                     .gapBeforeStrings("\x07" + EncodeUnits("odd"))
                                     .add("a", "first").addShared("b", 0).addAt("c", 1).addAt("d", 3)
                                     .addAt("far", 0xFFFFFF).keyTablePadding("\1\2\3").dataSize(7)
                                     .trailing("\0\0"s).build());
    files.emplace_back("unterminated", GxtBuilder('E').add("a", "x").addRaw("b", "y\0z").build());

    // Game-shaped: Buka Russian with markers and "#" pairs, Pirate Russian, German accents
    // in the game's own slots, a Windows-1252 Spanish text, Latin look-alikes in Russian.
    GxtBuilder ru('R'), pirate('R'), de('G');
    const char* phrases[] = {"Добро пожаловать в #Город#!", "Угнать машину и доставить её в гараж.",
                             "Съешь ещё этих мягких французских булок", "БОНУС! 5000$", "MOCKBA – Москва"};
    for (int i = 0; i < 40; ++i) {
        const std::string key = "m" + std::to_string(i);
        ru.add(key, (i % 3 ? "" : "l!") + BukaText(phrases[i % 5]));
        pirate.add(key, PirateText("СЪЕШЬ ЕЩЁ ЭТИХ БУЛОК " + std::to_string(i)));
        de.add(key, "Stra\x80" "e \x91" "ber Br\x9A" "cke " + std::to_string(i));
    }
    files.emplace_back("buka", ru.build());
    files.emplace_back("pirate", pirate.build());
    files.emplace_back("german", de.add("es", "Ma\xF1" "ana \xE9xito").build());

    // The detector's generated files, shaped like real ones, one of each kind.
    int n = 0;
    for (FileKind kind : {FileKind::Buka, FileKind::Pirate, FileKind::Windows1251, FileKind::English,
                          FileKind::European, FileKind::Short, FileKind::Mixed})
        files.emplace_back("generated-" + std::to_string(++n), GenerateGxtFile(kind, 7).bytes);
    return files;
}

}  // namespace zarnik::testing
