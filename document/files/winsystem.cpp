// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/winsystem.h"

#include <cerrno>

#include <windows.h>

namespace zarnik::win {

std::wstring Widen(std::string_view utf8)
{
    if (utf8.empty())
        return {};
    const int n = ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
    std::wstring wide(size_t(n), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), wide.data(), n);
    return wide;
}

std::string Narrow(std::wstring_view utf16)
{
    if (utf16.empty())
        return {};
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), int(utf16.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string narrow(size_t(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, utf16.data(), int(utf16.size()), narrow.data(), n, nullptr,
                          nullptr);
    return narrow;
}

std::string ErrorText(unsigned long code)
{
    wchar_t* buffer = nullptr;
    const DWORD n = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text(buffer ? std::wstring_view(buffer, n) : std::wstring_view());
    if (buffer)
        ::LocalFree(buffer);
    // The texts end in ".\r\n"; some span lines.
    for (wchar_t& c : text)
        if (c == L'\r' || c == L'\n')
            c = L' ';
    while (!text.empty() && (text.back() == L' ' || text.back() == L'.'))
        text.pop_back();
    if (text.empty())
        return "Windows error " + std::to_string(code);
    return Narrow(text);
}

int ErrnoFor(unsigned long code)
{
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_CANNOT_MAKE:
        return EACCES;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_USER_MAPPED_FILE:
        return EBUSY;
    case ERROR_WRITE_PROTECT:
        return EROFS;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DIR_NOT_EMPTY:
        return ENOTEMPTY;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_NOT_SAME_DEVICE:
        return EXDEV;
    case ERROR_TOO_MANY_OPEN_FILES:
        return EMFILE;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_FILE_TOO_LARGE:
        return EFBIG;
    case ERROR_INVALID_NAME:
        return EINVAL;
    default:
        return EIO;
    }
}

FileError Error(FileStep step, const std::string& path, unsigned long code)
{
    return FileError(step, path, ErrnoFor(code), {}, ErrorText(code));
}

namespace {

// `name` in the ANSI code page, or empty when a character of it has no place there.
std::string inAnsiCodePage(const wchar_t* name)
{
    if (::GetACP() == CP_UTF8)
        return Narrow(name);
    BOOL lossy = FALSE;
    const int n = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, -1, nullptr, 0, nullptr, &lossy);
    if (n <= 0 || lossy)
        return {};
    std::string narrow(size_t(n), '\0');
    ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, name, -1, narrow.data(), n, nullptr, nullptr);
    narrow.pop_back();  // the terminating zero
    return narrow;
}

}  // namespace

TempFile CreateTempFile()
{
    wchar_t dir[MAX_PATH + 1];
    const DWORD n = ::GetTempPathW(MAX_PATH + 1, dir);
    if (n == 0 || n > MAX_PATH)
        throw Error(FileStep::CreateTemp, "%TEMP%", n == 0 ? ::GetLastError() : ERROR_FILENAME_EXCED_RANGE);
    wchar_t name[MAX_PATH];
    if (!::GetTempFileNameW(dir, L"zrk", 0, name))
        throw Error(FileStep::CreateTemp, Narrow(dir), ::GetLastError());
    TempFile file{Narrow(name), inAnsiCodePage(name)};
    if (file.narrow.empty()) {
        wchar_t shortName[MAX_PATH];
        const DWORD m = ::GetShortPathNameW(name, shortName, MAX_PATH);
        if (m > 0 && m < MAX_PATH)
            file.narrow = inAnsiCodePage(shortName);
    }
    if (file.narrow.empty()) {
        ::DeleteFileW(name);
        throw Error(FileStep::CreateTemp, file.path, ERROR_INVALID_NAME);
    }
    return file;
}

}  // namespace zarnik::win
