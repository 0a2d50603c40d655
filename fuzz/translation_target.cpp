// SPDX-License-Identifier: GPL-3.0-or-later
// Reads arbitrary bytes as a translator's PO or TSV file (the first byte chooses) and
// applies whatever reads to a small document, checking that a refusal always says what is
// wrong and that what is applied survives being written out and read back.
#include "text/encodings.h"
#include "files/fileerror.h"
#include "format/gxtdocument.h"
#include "translation/translation.h"

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <string>

namespace {

void check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

zarnik::GxtDocument makeDocument()
{
    zarnik::GxtDocument doc;
    const std::string keys[] = {"a", "b", "car1", std::string("B25\0rcy", 7), "", "twice", "twice"};
    for (const std::string& k : keys) {
        zarnik::KeyEntry e;
        std::copy(k.begin(), k.end(), e.name.begin());
        doc.keys.push_back(e);
    }
    doc.setLoadedTexts(std::vector<zarnik::Text>(doc.keys.size(), "x"));
    return doc;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const zarnik::GxtDocument doc = makeDocument();
    const bool po = data[0] & 1;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    zarnik::Translation tr;
    try {
        tr = po ? zarnik::ParsePo(bytes, "fuzz.po") : zarnik::ParseTsv(bytes, "fuzz.tsv");
    } catch (const zarnik::TranslationError& e) {
        check(!e.problems().empty() && !e.englishMessage().empty() && !e.russianMessage().empty(),
              "a refused file says why");
        return 0;
    } catch (const zarnik::FileError&) {
        return 0;  // the scratch file could not be written
    }
    for (const auto& e : tr.entries)
        check(e.text.exact.empty() || e.text.bytes.size() == e.text.exact.size(), "every byte typed or exact");

    const int mode = tr.mode.value_or(zarnik::kModeBuka);
    zarnik::ApplyResult r;
    try {
        r = zarnik::ApplyTranslation(doc, tr, mode, true);
    } catch (const zarnik::TranslationError& e) {
        check(!e.problems().empty(), "a refusal names its problems");
        return 0;
    }
    check(r.changes.size() <= r.replaced, "counts agree");

    // What was applied goes out and back unchanged, in TSV and in PO alike.
    zarnik::GxtDocument applied = doc;
    for (const zarnik::TextChange& change : r.changes)
        applied.setText(change.index, change.text);
    const zarnik::Translation tsv = zarnik::ParseTsv(zarnik::BuildTsv(applied, mode), "again.tsv");
    check(zarnik::ApplyTranslation(applied, tsv, mode, false).changes.empty(), "TSV round trip keeps the texts");
    const zarnik::Translation fromPo =
        zarnik::ParsePo(zarnik::BuildPo(applied, mode, &applied, mode, false, "again"), "again.po");
    check(zarnik::ApplyTranslation(applied, fromPo, mode, false).changes.empty(), "PO round trip keeps the texts");
    return 0;
}
