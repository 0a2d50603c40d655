#include "safefile.h"

#include "fileerror.h"

#include <cerrno>
#include <cstdio>
#ifdef _WIN32
#include "winsystem.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace zarnik {

#ifndef _WIN32  // safefile_windows.cpp has the Windows side

bool FileSystem::exists(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

int FileSystem::createNew(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0)
        throw FileError(FileStep::CreateTemp, path, errno);
    return fd;
}

void FileSystem::write(int fd, const std::string& path, std::string_view bytes)
{
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(FileStep::Write, path, errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

void FileSystem::finish(int fd, const std::string& path)
{
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS) {
        const int err = errno;
        ::close(fd);
        throw FileError(FileStep::Write, path, err);
    }
    if (::close(fd) != 0)
        throw FileError(FileStep::Write, path, errno);
}

void FileSystem::abandon(int fd)
{
    ::close(fd);
}

void FileSystem::removeFile(const std::string& path, int step)
{
    if (::unlink(path.c_str()) != 0)
        throw FileError(static_cast<FileStep>(step), path, errno);
}

void FileSystem::renameFile(const std::string& from, const std::string& to, int step)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw FileError(static_cast<FileStep>(step), step == int(FileStep::RenameToBackup) ? from : to,
                        errno);
}

void FileSystem::makeWritable(const std::string& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::chmod(path.c_str(), st.st_mode | S_IWUSR);
}

void FileSystem::copyPermissions(const std::string& from, const std::string& to)
{
    struct stat st {};
    if (::stat(from.c_str(), &st) == 0 && S_ISREG(st.st_mode))
        ::chmod(to.c_str(), st.st_mode & 07777);
}

FileSystem& RealFileSystem()
{
    static FileSystem fs;
    return fs;
}

std::string ReadWholeFile(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(FileStep::Open, path, errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0) {
        const int err = errno;
        ::close(fd);
        throw FileError(FileStep::Read, path, err);
    }
    if (S_ISDIR(st.st_mode)) {
        ::close(fd);
        throw FileError(FileStep::Open, path, EISDIR);
    }
    std::string data;
    // Read straight into a buffer of the file's size; keep reading past it in case the
    // file grew, and trim if it shrank.
    size_t capacity = S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<size_t>(st.st_size) : 0;
    data.resize(capacity + 1);
    size_t got = 0;
    for (;;) {
        if (got == data.size())
            data.resize(data.size() * 2 + 65536);
        const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            const int err = errno;
            ::close(fd);
            throw FileError(FileStep::Read, path, err);
        }
        got += static_cast<size_t>(n);
    }
    data.resize(got);
    ::close(fd);
    return data;
}

#endif

std::string BackupPathFor(const std::string& path)
{
    return path + "_";
}

namespace {

std::string tempNameFor(const std::string& path, FileSystem& fs)
{
    // Same folder as the target, so the final move is a rename and never a copy.
    for (int i = 0;; ++i) {
        std::string name = path + ".zarnik-tmp";
        if (i > 0)
            name += std::to_string(i);
        if (!fs.exists(name) || i >= 1000)
            return name;
    }
}

}  // namespace

void ReplaceFileSafely(const std::string& path, std::string_view bytes, BackupPolicy policy,
                       FileSystem& fs)
{
    ReplaceFileSafely(path, [bytes](const auto& emit) { emit(bytes); }, policy, fs);
}

void ReplaceFileSafely(const std::string& path, const ByteProducer& produce, BackupPolicy policy,
                       FileSystem& fs)
{
    // A folder where the file should be is somebody's data too: never move it aside.
#ifdef _WIN32
    if (win::IsFolder(path))
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
#endif
        throw FileError(FileStep::MoveIntoPlace, path, EISDIR);

    const std::string temp = tempNameFor(path, fs);
    int fd = -1;
    try {
        fd = fs.createNew(temp);
        constexpr size_t kChunk = 1 << 20;
        std::string buffer;
        buffer.reserve(kChunk);
        produce([&](std::string_view piece) {
            if (buffer.size() + piece.size() > kChunk && !buffer.empty()) {
                fs.write(fd, temp, buffer);
                buffer.clear();
            }
            if (piece.size() >= kChunk)
                fs.write(fd, temp, piece);
            else
                buffer.append(piece);
        });
        fs.write(fd, temp, buffer);
        const int done = fd;
        fd = -1;
        fs.finish(done, temp);
    } catch (const FileError& e) {
        if (fd >= 0)
            fs.abandon(fd);
        if (e.step() != FileStep::CreateTemp) {
            try { fs.removeFile(temp, int(FileStep::Write)); } catch (const FileError&) {}
        }
        // Name the user's file, not our temporary one.
        throw e.withPath(path);
    } catch (...) {
        if (fd >= 0)
            fs.abandon(fd);
        try { fs.removeFile(temp, int(FileStep::Write)); } catch (const FileError&) {}
        throw;
    }
    auto dropTemp = [&] {
        try { fs.removeFile(temp, int(FileStep::Write)); } catch (const FileError&) {}
    };

    const bool hadOld = fs.exists(path);
    // A document keeps its mode across saves; an export is a new file each time.
    if (hadOld && policy == BackupPolicy::KeepBackup)
        fs.copyPermissions(path, temp);

    if (policy == BackupPolicy::None) {
        try {
            fs.renameFile(temp, path, int(FileStep::MoveIntoPlace));
        } catch (const FileError&) {
            dropTemp();
            throw;
        }
        return;
    }

    const std::string backup = BackupPathFor(path);
    try {
        if (fs.exists(backup)) {
            fs.makeWritable(backup);
            fs.removeFile(backup, int(FileStep::DeleteBackup));
        }
        if (hadOld)
            fs.renameFile(path, backup, int(FileStep::RenameToBackup));
    } catch (const FileError&) {
        dropTemp();
        throw;
    }
    try {
        fs.renameFile(temp, path, int(FileStep::MoveIntoPlace));
    } catch (const FileError&) {
        // Put the previous file back under its own name if we can; if not, it is still
        // safe under the backup name.
        if (hadOld) {
            try { fs.renameFile(backup, path, int(FileStep::MoveIntoPlace)); } catch (const FileError&) {}
        }
        dropTemp();
        throw;
    }
}

}  // namespace zarnik
