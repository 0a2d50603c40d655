// SPDX-License-Identifier: GPL-3.0-or-later
// The file-system calls of the safe save on Windows: UTF-16 paths, the system's own
// error texts, FlushFileBuffers before the swap, and MoveFileExW with
// MOVEFILE_WRITE_THROUGH, so that the rename has reached the disk when the save reports
// success. A read-only file is replaced (and a read-only backup given up) by clearing its
// attribute first, as the editor always did; the attribute is put back when that fails.
#include "files/safefile.h"

#include "files/fileerror.h"
#include "files/platformread.h"
#include "files/winsystem.h"
#include "files/writeall.h"

#include <cerrno>
#include <cstdint>

#include <io.h>
#include <windows.h>

namespace zarnik {

namespace {

// The seam hands files around as int. Kernel handles fit in 32 bits on 64-bit Windows
// (the system keeps them so for the 32-bit processes it shares them with).
int toFd(HANDLE h) { return static_cast<int>(reinterpret_cast<intptr_t>(h)); }
HANDLE toHandle(int fd) { return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd)); }

DWORD attributesOf(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()); }

bool isReadOnlyFile(DWORD a)
{
    return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_READONLY) && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

// Runs `attempt`; when it fails with "access denied" because `path` is a read-only file,
// clears the attribute and tries once more, putting the attribute back if that fails too.
template <typename Attempt>
bool withReadOnlyCleared(const std::wstring& path, Attempt attempt, DWORD& error)
{
    if (attempt())
        return true;
    error = ::GetLastError();
    const DWORD a = attributesOf(path);
    if (error != ERROR_ACCESS_DENIED || !isReadOnlyFile(a) ||
        !::SetFileAttributesW(path.c_str(), a & ~FILE_ATTRIBUTE_READONLY))
        return false;
    if (attempt())
        return true;
    error = ::GetLastError();
    ::SetFileAttributesW(path.c_str(), a);
    return false;
}

// WriteFile takes at most 4 GiB minus one per call; pieces of 1 GiB stay clear of that.
void writeHandle(HANDLE h, std::string_view bytes, const std::string& name, FileStep step)
{
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const DWORD piece = left > (1u << 30) ? (1u << 30) : static_cast<DWORD>(left);
        DWORD written = 0;
        if (!::WriteFile(h, p, piece, &written, nullptr))
            throw win::Error(step, name, ::GetLastError());
        p += written;
        left -= written;
    }
}

// Opens a file for reading, telling a folder apart: opening one fails with "access
// denied", which would send the user looking at permissions.
HANDLE openForReading(const std::string& path)
{
    const std::wstring wide = win::Widen(path);
    const DWORD a = attributesOf(wide);
    if (a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY))
        throw FileError(FileStep::Open, path, EISDIR);
    const HANDLE h = ::CreateFileW(wide.c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw win::Error(FileStep::Open, path, ::GetLastError());
    return h;
}

// One ReadFile call; 0 at the end of the file, or when the writing end of a pipe has closed.
size_t readSome(HANDLE h, char* into, size_t room, const std::string& path)
{
    const DWORD want = room > (1u << 30) ? (1u << 30) : static_cast<DWORD>(room);
    DWORD n = 0;
    if (!::ReadFile(h, into, want, &n, nullptr)) {
        const DWORD err = ::GetLastError();
        if (err == ERROR_BROKEN_PIPE)
            return 0;
        throw win::Error(FileStep::Read, path, err);
    }
    return n;
}

FileStatus statusOf(const std::string& path)
{
    FileStatus result;
    const DWORD a = attributesOf(win::Widen(path));
    if (a == INVALID_FILE_ATTRIBUTES) {
        // Device names (NUL, CON) have no attributes but can be opened and written.
        const HANDLE h = ::CreateFileW(win::Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            if (::GetFileType(h) == FILE_TYPE_CHAR || ::GetFileType(h) == FILE_TYPE_PIPE)
                result.kind = PathKind::Other;
            ::CloseHandle(h);
        }
        return result;
    }
    // Links and junctions are followed by the system's own calls; the save then writes
    // beside the name given, like any other Windows program.
    result.kind = (a & FILE_ATTRIBUTE_DIRECTORY) ? PathKind::Directory
                  : (a & FILE_ATTRIBUTE_DEVICE)  ? PathKind::Other
                                                 : PathKind::Regular;
    // Windows has no permission bits; the read-only attribute stands for a missing write bit.
    result.mode = (a & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666;
    return result;
}

}  // namespace

FileStatus FileSystem::status(const std::string& path)
{
    return statusOf(path);
}

FileStatus FileSystem::statusThroughLinks(const std::string& path)
{
    return statusOf(path);
}

std::string FileSystem::readLink(const std::string& path)
{
    // status() never reports a link here.
    throw FileError(FileStep::Open, path, EINVAL);
}

size_t FileSystem::maxNameLength(const std::string& dir)
{
    DWORD component = 0;
    std::wstring root(MAX_PATH + 1, L'\0');
    const std::wstring wide = win::Widen(dir == "." ? std::string(".\\") : dir + "\\");
    if (::GetVolumePathNameW(wide.c_str(), root.data(), DWORD(root.size())) &&
        ::GetVolumeInformationW(root.c_str(), nullptr, 0, nullptr, &component, nullptr, nullptr, 0) &&
        component > 0)
        return component;
    return 255;
}

std::vector<std::string> FileSystem::listDirectory(const std::string& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAW found;
    const HANDLE h = ::FindFirstFileW(win::Widen(dir + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(win::Narrow(found.cFileName));
    while (::FindNextFileW(h, &found));
    ::FindClose(h);
    return names;
}

long FileSystem::currentProcess()
{
    return static_cast<long>(::GetCurrentProcessId());
}

bool FileSystem::processRunning(long id)
{
    if (id <= 0)
        return true;  // not an id this program wrote: leave the file alone
    const HANDLE h = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, static_cast<DWORD>(id));
    if (!h)
        return ::GetLastError() != ERROR_INVALID_PARAMETER;  // no such process
    DWORD code = 0;
    const bool running = ::GetExitCodeProcess(h, &code) && code == STILL_ACTIVE;
    ::CloseHandle(h);
    return running;
}

int FileSystem::createNew(const std::string& path, const FileStatus* like, FileStep step)
{
    // Nobody shares the file while it is written; it inherits the folder's permissions.
    const HANDLE h = ::CreateFileW(win::Widen(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw win::Error(step, path, ::GetLastError());
    // A read-only document stays read-only across saves, as its mode does on Linux.
    if (like && !(like->mode & 0200))
        ::SetFileAttributesW(win::Widen(path).c_str(), FILE_ATTRIBUTE_READONLY);
    return toFd(h);
}

int FileSystem::openExisting(const std::string& path, FileStep step)
{
    const HANDLE h = ::CreateFileW(win::Widen(path).c_str(), GENERIC_WRITE,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        throw win::Error(step, path, ::GetLastError());
    return toFd(h);
}

void WriteAll(int fd, std::string_view bytes, const std::string& name, FileStep step)
{
    // Through the descriptor's handle, not _write: a descriptor in text mode (standard
    // output is one) would turn every LF into CR LF, and the bytes must arrive as given.
    const intptr_t h = ::_get_osfhandle(fd);
    if (h == -1 || h == -2)  // not open, or not tied to any stream
        throw FileError(step, name, EBADF);
    writeHandle(reinterpret_cast<HANDLE>(h), bytes, name, step);
}

void FileSystem::write(int fd, const std::string& path, std::string_view bytes, FileStep step)
{
    writeHandle(toHandle(fd), bytes, path, step);
}

void FileSystem::finish(int fd, const std::string& path, FileStep step)
{
    const HANDLE h = toHandle(fd);
    // Devices and pipes cannot be flushed to a disk; that is no failure of theirs.
    if (::GetFileType(h) == FILE_TYPE_DISK && !::FlushFileBuffers(h)) {
        const DWORD err = ::GetLastError();
        ::CloseHandle(h);
        throw win::Error(step, path, err);
    }
    if (!::CloseHandle(h))
        throw win::Error(step, path, ::GetLastError());
}

void FileSystem::abandon(int fd)
{
    ::CloseHandle(toHandle(fd));
}

void FileSystem::hardLink(const std::string& from, const std::string& to, FileStep step)
{
    if (!::CreateHardLinkW(win::Widen(to).c_str(), win::Widen(from).c_str(), nullptr)) {
        const DWORD err = ::GetLastError();
        throw win::Error(step, from, err);
    }
}

void FileSystem::copyFile(const std::string& from, const std::string& to, const FileStatus& like,
                          FileStep step)
{
    (void)like;  // CopyFileW keeps the attributes, read-only included
    if (!::CopyFileW(win::Widen(from).c_str(), win::Widen(to).c_str(), TRUE))
        throw win::Error(step, from, ::GetLastError());
    const HANDLE h = ::CreateFileW(win::Widen(to).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        ::FlushFileBuffers(h);
        ::CloseHandle(h);
    }
}

void FileSystem::removeFile(const std::string& path, FileStep step)
{
    const std::wstring wide = win::Widen(path);
    DWORD err = 0;
    // A read-only file cannot be deleted on Windows until its attribute is cleared.
    if (!withReadOnlyCleared(wide, [&] { return ::DeleteFileW(wide.c_str()) != 0; }, err))
        throw win::Error(step, path, err);
}

void FileSystem::renameFile(const std::string& from, const std::string& to, FileStep step)
{
    const std::wstring wideFrom = win::Widen(from), wideTo = win::Widen(to);
    DWORD err = 0;
    // One call replaces the name atomically on NTFS; a read-only file under the name is
    // replaced like any other, as a rename over it on Linux would.
    const auto move = [&] {
        return ::MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                             MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    };
    if (!withReadOnlyCleared(wideTo, move, err))
        throw win::Error(step, to, err);
}

void FileSystem::syncDirectory(const std::string& dir)
{
    (void)dir;  // MOVEFILE_WRITE_THROUGH has already made the rename durable
}

FileSystem& RealFileSystem()
{
    static FileSystem fs;
    return fs;
}

ReadingFile OpenForReading(const std::string& path)
{
    const HANDLE h = openForReading(path);
    LARGE_INTEGER known{};
    return {reinterpret_cast<intptr_t>(h),
            ::GetFileSizeEx(h, &known) && known.QuadPart > 0 ? static_cast<uint64_t>(known.QuadPart) : 0};
}

size_t ReadSome(const ReadingFile& file, char* into, size_t room, const std::string& path)
{
    return readSome(reinterpret_cast<HANDLE>(file.handle), into, room, path);
}

void CloseReading(const ReadingFile& file)
{
    ::CloseHandle(reinterpret_cast<HANDLE>(file.handle));
}

}  // namespace zarnik
