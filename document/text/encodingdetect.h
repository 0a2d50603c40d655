// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "format/gxtdocument.h"

#include <cstddef>
#include <string_view>
#include <vector>

namespace zarnik {

// Which way a file stores its Russian texts. The same bytes read as nonsense in the wrong
// mode, and the byte ranges overlap (Buka glyph bytes are ordinary Windows-1251 letters,
// Windows-1251 punctuation sits in the Pirate range, German and Spanish files keep their
// accented letters there too), so the detector reads every text in each encoding and
// keeps the reading that looks most like Russian: letter and letter-pair frequencies,
// word shape and case.
enum class Encoding {
    Buka,
    Pirate,
    Windows1251,  // ordinary Cyrillic letters, shown as they are by the Original mode
    None,         // no Cyrillic at all: English, German, Spanish texts
    Mixed,        // Russian texts, but no one encoding explains most of them
};

// The names `zarnik-cli info` prints: "buka", "pirate", "windows-1251", "none", "mixed".
std::string_view EncodingName(Encoding encoding);

// One text's verdict. A text that reads as Russian in more than one encoding about
// equally well (a two-letter word can) is Unsure; a text that reads as Russian in none
// of them is None.
enum class TextEncoding { None, Buka, Pirate, Windows1251, Unsure };

TextEncoding DetectTextEncoding(std::string_view text);

struct EncodingVerdict {
    Encoding encoding = Encoding::None;
    // The texts behind the verdict: those in the named encoding; for None, those without
    // Russian; for Mixed, all the texts found Russian. `total` counts every text.
    size_t supporting = 0;
    size_t total = 0;
};

// The file's encoding: None when no text reads as Russian; otherwise the encoding that
// explains more than half of the texts decided as Russian, or Mixed.
EncodingVerdict DetectEncoding(const std::vector<Text>& texts);
EncodingVerdict DetectEncoding(const GxtDocument& doc);  // its current texts

// The language mode that shows a file of this encoding as it reads: Buka and Pirate for
// theirs, Original for the rest (an English or German file keeps its own letters).
int ModeForEncoding(Encoding encoding);

// The Russian prose the letter statistics are counted from, UTF-8.
std::string_view RussianProseUtf8();

}  // namespace zarnik
