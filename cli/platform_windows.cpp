// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

#include "files/fileerror.h"
#include "files/winsystem.h"

#include <windows.h>
#include <shellapi.h>

namespace zarnik::cli {

std::vector<std::string> Arguments(int argc, char** argv)
{
    int count = 0;
    wchar_t** wide = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!wide)
        return std::vector<std::string>(argv, argv + argc);
    std::vector<std::string> args;
    for (int i = 0; i < count; ++i)
        args.push_back(win::Narrow(wide[i]));
    ::LocalFree(wide);
    return args;
}

void WriteStandard(int stream, std::string_view text)
{
    const HANDLE h = ::GetStdHandle(stream == 2 ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    const char* name = stream == 2 ? "standard error" : "standard output";
    if (text.empty() || h == nullptr)  // no console and no redirection: nowhere to write
        return;
    if (h == INVALID_HANDLE_VALUE)
        throw win::Error(FileStep::Write, name, ::GetLastError());
    DWORD mode = 0;
    if (::GetConsoleMode(h, &mode)) {
        // Callers hand over whole lines, so no UTF-8 sequence is split between calls.
        const std::wstring wide = win::Widen(text);
        const wchar_t* p = wide.data();
        size_t left = wide.size();
        while (left > 0) {
            const DWORD piece = left > 8192 ? 8192 : static_cast<DWORD>(left);
            DWORD written = 0;
            if (!::WriteConsoleW(h, p, piece, &written, nullptr))
                throw win::Error(FileStep::Write, name, ::GetLastError());
            p += written;
            left -= written;
        }
        return;
    }
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const DWORD piece = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!::WriteFile(h, p, piece, &written, nullptr))
            throw win::Error(FileStep::Write, name, ::GetLastError());
        p += written;
        left -= written;
    }
}

namespace {

// The volume and file index of an open file: the one way to tell two names of a file apart.
bool identify(HANDLE h, BY_HANDLE_FILE_INFORMATION& info)
{
    return h != INVALID_HANDLE_VALUE && h != nullptr && ::GetFileType(h) == FILE_TYPE_DISK &&
           ::GetFileInformationByHandle(h, &info);
}

}  // namespace

bool SameFile(const std::string& a, const std::string& b)
{
    auto identifyPath = [](const std::string& path, BY_HANDLE_FILE_INFORMATION& info) {
        // Querying needs no access to the contents; folders open only with backup semantics.
        const HANDLE h = ::CreateFileW(win::Widen(path).c_str(), 0,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        const bool ok = identify(h, info);
        if (h != INVALID_HANDLE_VALUE)
            ::CloseHandle(h);
        return ok;
    };
    BY_HANDLE_FILE_INFORMATION ia {}, ib {};
    return identifyPath(a, ia) && identifyPath(b, ib) &&
           ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
           ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
}

bool IsStandardOutput(const std::string& path)
{
    if (path == "-")
        return true;
    const HANDLE h = ::CreateFileW(win::Widen(path).c_str(), 0,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    BY_HANDLE_FILE_INFORMATION ip {}, io {};
    const bool named = identify(h, ip);
    if (h != INVALID_HANDLE_VALUE)
        ::CloseHandle(h);
    return named && identify(::GetStdHandle(STD_OUTPUT_HANDLE), io) &&
           ip.dwVolumeSerialNumber == io.dwVolumeSerialNumber &&
           ip.nFileIndexHigh == io.nFileIndexHigh && ip.nFileIndexLow == io.nFileIndexLow;
}

void IgnoreFileSizeSignal()
{
    // Windows has no such signal: a write past a quota fails with an error code.
}

}  // namespace zarnik::cli
