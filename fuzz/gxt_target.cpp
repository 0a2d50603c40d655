// SPDX-License-Identifier: GPL-3.0-or-later
// Loads arbitrary bytes as a .gxt file and, for whatever loads, saves, loads again and
// exports, checking that nothing the user had is lost on the way; and names its encoding.
#include "text/encodingdetect.h"
#include "files/fileerror.h"
#include "format/gxtdocument.h"
#include "format/textexport.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    zarnik::GxtDocument doc;
    try {
        doc = zarnik::ParseGxt(bytes, "fuzz.gxt");
    } catch (const zarnik::FileError& e) {
        check(!e.russianMessage().empty() && !e.englishMessage().empty(), "error has a message");
        return 0;
    }
    const std::vector<std::string> texts = doc.currentTexts();
    check(texts.size() == doc.Count() && doc.loadedTexts() == texts, "texts match the key table");
    size_t total = 0;
    for (const auto& t : texts)
        total += t.size();
    check(total <= 16 * size + (1u << 20), "texts bounded by the file's size");
    // Each byte of string data is decoded at most once for strings at even positions and
    // once for strings at odd ones, however many keys share it.
    check(doc.textBytesHeld() <= 2 * size, "loaded texts take no more memory than twice the file");

    const std::string image = zarnik::BuildGxtImage(doc);
    const zarnik::GxtDocument again = zarnik::ParseGxt(image, "saved.gxt");
    check(again.Count() == doc.Count(), "entry count kept");
    check(again.FileHeader[3] == doc.FileHeader[3], "language letter kept");
    for (size_t i = 0; i < doc.Count(); ++i) {
        check(again.keys[i].name == doc.keys[i].name, "key names kept verbatim");
        check(again.text(i) == texts[i], "texts kept as loaded, zero bytes included");
    }
    check(zarnik::BuildGxtImage(again) == zarnik::BuildGxtImage(zarnik::ParseGxt(image, "x")),
          "saving is stable");

    const zarnik::EncodingVerdict verdict = zarnik::DetectEncoding(doc);
    check(verdict.total == doc.Count() && verdict.supporting <= verdict.total,
          "the encoding verdict counts the file's texts");

    const std::string text = zarnik::BuildTextExport(doc);
    check(text.size() >= 5 * doc.Count(), "every entry exported");
    return 0;
}
