// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Runs a program from the tests with standard input empty and its output and errors
// captured: through the shell on Linux, where `blocks` (of 512 bytes) can limit the size
// of every file it writes, its captured output included; started directly on Windows,
// which has no shell to lean on and no such limit.
#include "tempdir.h"

#include <stdexcept>
#include <string>
#include <vector>

#ifdef _WIN32
#include "winchild.h"
#else
#include <cstdlib>
#include <sys/wait.h>
#endif

namespace zarnik::testing {

struct ProgramResult { int status; std::string out, err; };

inline ProgramResult RunProgram(const std::string& program, const std::vector<std::string>& args, int blocks = 0)
{
    TempDir capture;
#ifdef _WIN32
    if (blocks)
        throw std::logic_error("no file-size limit on Windows");
    std::wstring command = QuotedArgument(win::Widen(program));
    for (const std::string& a : args)
        command += L" " + QuotedArgument(win::Widen(a));
    const unsigned long status = RunChild(command, "NUL", capture.file("out"), capture.file("err"));
    return {int(status), ReadFileBytes(capture.file("out")), ReadFileBytes(capture.file("err"))};
#else
    // No argument of the tests holds a quote.
    const auto quote = [](const std::string& s) { return " '" + s + "'"; };
    std::string command = blocks ? "ulimit -f " + std::to_string(blocks) + ";" : "";
    command += "exec" + quote(program);
    for (const std::string& a : args)
        command += quote(a);
    command += " </dev/null >" + quote(capture.file("out")) + " 2>" + quote(capture.file("err"));
    const int ws = std::system(command.c_str());
    return {WIFEXITED(ws) ? WEXITSTATUS(ws) : 128 + WTERMSIG(ws), ReadFileBytes(capture.file("out")),
            ReadFileBytes(capture.file("err"))};
#endif
}

}  // namespace zarnik::testing
