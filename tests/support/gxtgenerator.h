// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/encodingdetect.h"

#include <cstdint>
#include <string>
#include <vector>

namespace zarnik::testing {

// Files shaped like real GTA2 text files, made from a seed, to prove the encoding
// detector on: icon markers ("l!", also spelt as two plain units), "#" highlights,
// Latin look-alikes inside Russian words, some Latin and empty texts among the Russian.
enum class FileKind {
    Buka,         // Russian, Buka
    Pirate,       // the same kind of texts recoded to Pirate (upper case)
    Windows1251,  // the same kind of texts as plain Windows-1251, with typographic dashes
    English,
    European,     // German, Spanish or French, accents in the game's slots 0x80-0xB0
                  // (one file in five: Windows-1252 accents instead)
    Short,        // one- and two-word Russian texts ("Да", "Нет") in one encoding
    Mixed,        // Buka, Pirate and Windows-1251 texts, none of them half the Russian
};

const char* FileKindName(FileKind kind);

struct GeneratedFile {
    std::string bytes;           // the .gxt image
    std::vector<std::string> texts;  // storage form, as the loader gives them back
    std::vector<TextEncoding> truth; // each text's real encoding (None for Latin, empty)
    Encoding expected = Encoding::None;
};

GeneratedFile GenerateGxtFile(FileKind kind, uint32_t seed);

}  // namespace zarnik::testing
