// Runs a program once for each line of a list, all from one process, so that hundreds of
// runs under Wine cost one Wine start instead of hundreds. Each line holds the arguments,
// separated by tabs, in UTF-8. Run i (from 1) leaves its standard output, standard error
// and exit status in OUTDIR/i.out, i.err and i.rc, as same_results.sh lays them out for
// the Linux build.
//   run_commands.exe PROGRAM LIST OUTDIR
#include "winsystem.h"

#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include <windows.h>

using zarnik::win::Widen;

namespace {

// Quoting as CommandLineToArgvW undoes it: backslashes double only before a quote.
std::wstring quoted(const std::wstring& arg)
{
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

HANDLE openForChild(const std::string& path, bool write)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return ::CreateFileW(Widen(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                         FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                         write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
}

}  // namespace

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
        std::wstring command = quoted(Widen(program));
        for (size_t start = 0; start <= line.size();) {
            const size_t tab = std::min(line.find('\t', start), line.size());
            command += L" " + quoted(Widen(line.substr(start, tab - start)));
            start = tab + 1;
        }
        if (line.empty())
            command = quoted(Widen(program));
        const std::string base = outdir + "/" + std::to_string(n);
        const HANDLE in = openForChild("NUL", false);
        const HANDLE out = openForChild(base + ".out", true);
        const HANDLE err = openForChild(base + ".err", true);
        STARTUPINFOW start{};
        start.cb = sizeof(start);
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdInput = in;
        start.hStdOutput = out;
        start.hStdError = err;
        PROCESS_INFORMATION process{};
        DWORD status = 255;
        if (::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                             &start, &process)) {
            ::WaitForSingleObject(process.hProcess, INFINITE);
            ::GetExitCodeProcess(process.hProcess, &status);
            ::CloseHandle(process.hThread);
            ::CloseHandle(process.hProcess);
        } else {
            std::cerr << "run_commands: cannot start " << program << "\n";
            return 2;
        }
        for (HANDLE h : {in, out, err})
            ::CloseHandle(h);
        std::ofstream(base + ".rc", std::ios::binary) << status << "\n";
    }
    return 0;
}
