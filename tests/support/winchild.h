// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// Starting a program from the Windows build's tests, with its standard handles on files:
// Windows has no shell to redirect them. The command line is quoted by the caller.
#ifdef _WIN32

#include "files/winsystem.h"

#include <stdexcept>
#include <string>

#include <windows.h>

namespace zarnik::testing {

// Quoting as CommandLineToArgvW undoes it: backslashes double only before a quote.
inline std::wstring QuotedArgument(const std::wstring& arg)
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

// Runs `command` with standard input from `in` and output and errors to the files `out`
// and `err` (created afresh), waits for it and returns its exit status. Wine, with other
// tests starting programs in the same prefix, has been seen to fail a CreateProcess once
// and succeed on the next try, so a failure to start is tried again a few times; the
// program itself is never run twice. Throws with the system's reason when it never starts.
inline unsigned long RunChild(std::wstring command, const std::string& in, const std::string& out,
                              const std::string& err)
{
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    auto open = [&](const std::string& path, bool write) {
        return ::CreateFileW(win::Widen(path).c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, write ? CREATE_ALWAYS : OPEN_EXISTING,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    const HANDLE handles[3] = {open(in, false), open(out, true), open(err, true)};
    DWORD status = 0, failure = 0;
    bool started = false;
    for (int attempt = 0; attempt < 5 && !started; ++attempt) {
        if (attempt)
            ::Sleep(200 * attempt);
        STARTUPINFOW start{};
        start.cb = sizeof(start);
        start.dwFlags = STARTF_USESTDHANDLES;
        start.hStdInput = handles[0];
        start.hStdOutput = handles[1];
        start.hStdError = handles[2];
        PROCESS_INFORMATION process{};
        started = ::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &start,
                                   &process);
        if (!started) {
            failure = ::GetLastError();
            continue;
        }
        ::WaitForSingleObject(process.hProcess, INFINITE);
        ::GetExitCodeProcess(process.hProcess, &status);
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
    for (HANDLE h : handles)
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
    if (!started)
        throw std::runtime_error("cannot start " + win::Narrow(command) + ": " + win::ErrorText(failure));
    return status;
}

}  // namespace zarnik::testing

#endif
