// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the encoding detector on generated files of every kind: how many whole files
// it names right, and how it reads their single texts.
//   detectaccuracy [FILES_PER_KIND]   (default 300)
#include "text/encodingdetect.h"
#include "format/gxtdocument.h"
#include "gxtgenerator.h"

#include <cstdio>
#include <cstdlib>
#include <map>

using namespace zarnik;
using namespace zarnik::testing;

int main(int argc, char** argv)
{
    const int files = argc > 1 ? std::atoi(argv[1]) : 300;
    if (files <= 0) {
        std::fprintf(stderr, "usage: detectaccuracy [FILES_PER_KIND]\n");
        return 2;
    }
    std::printf("%-22s %-22s | %-39s | %s\n", "", "", "Russian texts read as", "Latin texts");
    std::printf("%-22s %-22s | %9s %9s %9s %9s | %s\n", "kind", "files named right", "theirs",
                "unsure", "no Russ.", "another", "read as Russian");
    int failures = 0;
    for (FileKind kind : {FileKind::Buka, FileKind::Pirate, FileKind::Windows1251, FileKind::English,
                          FileKind::European, FileKind::Short, FileKind::Mixed}) {
        int right = 0;
        size_t russian = 0, russianRight = 0, unsure = 0, unseen = 0, wrong = 0, latin = 0,
               falseRussian = 0;
        std::map<std::string, int> misses;
        for (int seed = 1; seed <= files; ++seed) {
            const GeneratedFile f = GenerateGxtFile(kind, uint32_t(seed));
            const GxtDocument doc = ParseGxt(f.bytes, "generated");
            const EncodingVerdict v = DetectEncoding(doc);
            if (v.encoding == f.expected)
                ++right;
            else
                ++misses[std::string(EncodingName(v.encoding))];
            for (size_t i = 0; i < doc.Count(); ++i) {
                const TextEncoding got = DetectTextEncoding(doc.text(i));
                if (f.truth[i] == TextEncoding::None) {
                    ++latin;
                    falseRussian += got != TextEncoding::None && got != TextEncoding::Unsure;
                } else {
                    ++russian;
                    russianRight += got == f.truth[i];
                    unsure += got == TextEncoding::Unsure;
                    unseen += got == TextEncoding::None;
                    wrong += got != f.truth[i] && got != TextEncoding::Unsure && got != TextEncoding::None;
                }
            }
        }
        failures += files - right;
        const auto pct = [](size_t n, size_t of) { return of ? 100.0 * double(n) / double(of) : 0.0; };
        std::printf("%-22s %5d of %-5d %7.2f%% |", FileKindName(kind), right, files,
                    pct(size_t(right), size_t(files)));
        if (russian)
            std::printf(" %8.2f%% %8.2f%% %8.2f%% %8.2f%% |", pct(russianRight, russian),
                        pct(unsure, russian), pct(unseen, russian), pct(wrong, russian));
        else
            std::printf(" %9s %9s %9s %9s |", "-", "-", "-", "-");
        std::printf(" %.3f%% of %zu", pct(falseRussian, latin), latin);
        for (const auto& [name, n] : misses)
            std::printf("  (%d taken for %s)", n, name.c_str());
        std::printf("\n");
    }
    return failures == 0 ? 0 : 1;
}
