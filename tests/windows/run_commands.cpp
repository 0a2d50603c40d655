// SPDX-License-Identifier: GPL-3.0-or-later
// Runs a program once for each line of a list, all from one process, so that hundreds of
// runs under Wine cost one Wine start instead of hundreds. Each line holds the arguments,
// separated by tabs, in UTF-8. Run i (from 1) leaves its standard output, standard error
// and exit status in OUTDIR/i.out, i.err and i.rc, as same_results.sh lays them out for
// the Linux build.
//   run_commands.exe PROGRAM LIST OUTDIR
#include "winchild.h"
#include "files/winsystem.h"

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

using zarnik::testing::QuotedArgument;
using zarnik::testing::RunChild;
using zarnik::win::Widen;

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::cerr << "usage: run_commands PROGRAM LIST OUTDIR\n";
        return 2;
    }
    const std::string program = argv[1], outdir = argv[3];
    std::ifstream list(argv[2], std::ios::binary);
    if (!list) {
        std::cerr << "run_commands: cannot read " << argv[2] << "\n";
        return 2;
    }
    std::string line;
    for (int n = 1; std::getline(list, line); ++n) {
        std::wstring command = QuotedArgument(Widen(program));
        for (size_t start = 0; start <= line.size();) {
            const size_t tab = std::min(line.find('\t', start), line.size());
            command += L" " + QuotedArgument(Widen(line.substr(start, tab - start)));
            start = tab + 1;
        }
        if (line.empty())
            command = QuotedArgument(Widen(program));
        const std::string base = outdir + "/" + std::to_string(n);
        unsigned long status = 0;
        try {
            status = RunChild(command, "NUL", base + ".out", base + ".err");
        } catch (const std::exception& e) {
            std::cerr << "run_commands: " << e.what() << "\n";
            return 2;
        }
        std::ofstream(base + ".rc", std::ios::binary) << status << "\n";
    }
    return 0;
}
