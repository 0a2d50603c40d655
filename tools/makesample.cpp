// SPDX-License-Identifier: GPL-3.0-or-later
// Writes the bundled example file from the same code the tests build fixtures with.
#include "gxtbuilder.h"

#include <cstdio>
#include <fstream>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: makesample OUT.gxt\n");
        return 2;
    }
    std::ofstream out(argv[1], std::ios::binary);
    const std::string bytes = zarnik::testing::SampleGxtBytes();
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return out ? 0 : 1;
}
