// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the seed corpus: valid files of several shapes and damaged variants of them.
#include "gxtbuilder.h"

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using zarnik::testing::EncodeUnits;
using zarnik::testing::GxtBuilder;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makecorpus DIR\n");
        return 2;
    }
    std::vector<std::pair<std::string, std::string>> seeds;
    seeds.emplace_back("sample", zarnik::testing::SampleGxtBytes());
    seeds.emplace_back("empty", GxtBuilder().build());
    seeds.emplace_back("markers", GxtBuilder('E').add("a", "l!x").add("b", "X!").add("c", "").build());
    seeds.emplace_back("shared", GxtBuilder().add("a", "one").addShared("b", 0).addShared("c", 0).build());
    seeds.emplace_back("padding", GxtBuilder().add("a", "x").keyTablePadding("\1\2\3").build());
    seeds.emplace_back("gap", GxtBuilder().gapBeforeStrings(std::string("\x7", 1) + EncodeUnits("odd"))
                                  .addAt("a", 1).addAt("b", 0xFFFFFF).trailing(std::string(2, '\0')).build());
    seeds.emplace_back("highbytes", GxtBuilder().addRaw("k", std::string("\0Q\x41\x04z\0\0\0", 8)).build());
    seeds.emplace_back("leftover", GxtBuilder().add(std::string("B25\0rcy\0", 8), "t").add(std::string(8, '\0'), "z").build());

    const size_t n = seeds.size();
    for (size_t i = 0; i < n; ++i) {
        const std::string& good = seeds[i].second;
        seeds.emplace_back(seeds[i].first + "-cut-header", good.substr(0, 10));
        seeds.emplace_back(seeds[i].first + "-cut-middle", good.substr(0, good.size() / 2));
        seeds.emplace_back(seeds[i].first + "-odd-tail", good + "Z");
        std::string huge = good;
        if (huge.size() >= 14) {
            huge[10] = huge[11] = huge[12] = '\xff';
            huge[13] = '\xf0';
            seeds.emplace_back(seeds[i].first + "-huge-table", huge);
        }
    }
    for (const auto& [name, bytes] : seeds) {
        std::ofstream out(std::string(argv[1]) + "/" + name + ".gxt", std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out)
            return 1;
    }
    std::printf("%zu seeds\n", seeds.size());
    return 0;
}
