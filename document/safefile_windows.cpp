// The file-system operations of the safe save on Windows: UTF-16 paths, the system's error
// texts, FlushFileBuffers before the swap, and MoveFileExW with MOVEFILE_WRITE_THROUGH so
// that the rename itself reaches the disk before the save reports success.
#include "safefile.h"

#include "fileerror.h"
#include "winsystem.h"

#include <cerrno>
#include <cstdint>

#include <windows.h>

namespace zarnik {

namespace {

// The seam hands files around as int. Kernel handles fit in 32 bits on 64-bit Windows
// (the system keeps them so for 32-bit processes it shares them with).
int toFd(HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h)); }
HANDLE toHandle(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd)); }

DWORD attributesOf(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool isReadOnlyFile(DWORD attributes)
{
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) &&
           !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The attributes a document keeps across saves; the rest (compression, encryption,
// sparse) belong to the file's storage and follow the new file by themselves, or not at all.
constexpr DWORD kKeptAttributes = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                  FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                                  FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;

}  // namespace

bool win::IsFolder(const std::string& path)
{
    const DWORD a = attributesOf(win::Widen(path));
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileSystem::exists(const std::string& path)
{
    return attributesOf(win::Widen(path)) != INVALID_FILE_ATTRIBUTES;
}

int FileSystem::createNew(const std::string& path)
{
    // No sharing while it is written: nobody reads half a file.
    const HANDLE h = ::CreateFileW(win::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw win::Error(FileStep::CreateTemp, path, ::GetLastError());
    return toFd(h);
}

void FileSystem::write(int fd, const std::string& path, std::string_view bytes)
{
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const DWORD piece = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!::WriteFile(toHandle(fd), p, piece, &written, nullptr))
            throw win::Error(FileStep::Write, path, ::GetLastError());
        p += written;
        left -= written;
    }
}

void FileSystem::finish(int fd, const std::string& path)
{
    const HANDLE h = toHandle(fd);
    if (!::FlushFileBuffers(h)) {
        const DWORD err = ::GetLastError();
        ::CloseHandle(h);
        throw win::Error(FileStep::Write, path, err);
    }
    if (!::CloseHandle(h))
        throw win::Error(FileStep::Write, path, ::GetLastError());
}

void FileSystem::abandon(int fd)
{
    ::CloseHandle(toHandle(fd));
}

void FileSystem::removeFile(const std::string& path, int step)
{
    const std::wstring wide = win::Widen(path);
    if (::DeleteFileW(wide.c_str()))
        return;
    DWORD err = ::GetLastError();
    // A read-only file cannot be deleted on Windows until its attribute is cleared; on
    // Linux its mode does not stand in the way either.
    const DWORD a = attributesOf(wide);
    if (err == ERROR_ACCESS_DENIED && isReadOnlyFile(a) &&
        ::SetFileAttributesW(wide.c_str(), a & ~FILE_ATTRIBUTE_READONLY)) {
        if (::DeleteFileW(wide.c_str()))
            return;
        err = ::GetLastError();
        ::SetFileAttributesW(wide.c_str(), a);
    }
    throw win::Error(static_cast<FileStep>(step), path, err);
}

void FileSystem::renameFile(const std::string& from, const std::string& to, int step)
{
    const std::wstring wideFrom = win::Widen(from), wideTo = win::Widen(to);
    const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
    const std::string& named = step == int(FileStep::RenameToBackup) ? from : to;
    if (::MoveFileExW(wideFrom.c_str(), wideTo.c_str(), flags))
        return;
    DWORD err = ::GetLastError();
    // Replacing a read-only file needs its attribute cleared first (a rename over it
    // works on Linux whatever its mode); put the attribute back if the move still fails.
    const DWORD a = attributesOf(wideTo);
    if (err == ERROR_ACCESS_DENIED && isReadOnlyFile(a) &&
        ::SetFileAttributesW(wideTo.c_str(), a & ~FILE_ATTRIBUTE_READONLY)) {
        if (::MoveFileExW(wideFrom.c_str(), wideTo.c_str(), flags))
            return;
        err = ::GetLastError();
        ::SetFileAttributesW(wideTo.c_str(), a);
    }
    throw win::Error(static_cast<FileStep>(step), named, err);
}

void FileSystem::makeWritable(const std::string& path)
{
    const std::wstring wide = win::Widen(path);
    const DWORD a = attributesOf(wide);
    if (isReadOnlyFile(a))
        ::SetFileAttributesW(wide.c_str(), a & ~FILE_ATTRIBUTE_READONLY);
}

void FileSystem::copyPermissions(const std::string& from, const std::string& to)
{
    const DWORD a = attributesOf(win::Widen(from));
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY))
        return;
    const DWORD kept = a & kKeptAttributes;
    ::SetFileAttributesW(win::Widen(to).c_str(), kept ? kept : FILE_ATTRIBUTE_NORMAL);
}

FileSystem& RealFileSystem()
{
    static FileSystem fs;
    return fs;
}

std::string ReadWholeFile(const std::string& path)
{
    const std::wstring wide = win::Widen(path);
    // Opening a folder fails with "access denied", which would send the user looking
    // at permissions; say what it is instead.
    if (win::IsFolder(path))
        throw FileError(FileStep::Open, path, EISDIR);
    const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw win::Error(FileStep::Open, path, ::GetLastError());
    LARGE_INTEGER size {};
    std::string data;
    if (::GetFileSizeEx(h, &size) && size.QuadPart > 0)
        data.resize(static_cast<size_t>(size.QuadPart) + 1);
    else
        data.resize(65536);
    // Keep reading past the size in case the file grew, and trim if it shrank.
    size_t got = 0;
    for (;;) {
        if (got == data.size())
            data.resize(data.size() * 2);
        const size_t room = data.size() - got;
        const DWORD want = room > (1u << 30) ? (1u << 30) : static_cast<DWORD>(room);
        DWORD n = 0;
        if (!::ReadFile(h, data.data() + got, want, &n, nullptr)) {
            const DWORD err = ::GetLastError();
            ::CloseHandle(h);
            throw win::Error(FileStep::Read, path, err);
        }
        if (n == 0)
            break;
        got += n;
    }
    ::CloseHandle(h);
    data.resize(got);
    return data;
}

}  // namespace zarnik
