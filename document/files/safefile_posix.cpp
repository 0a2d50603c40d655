// SPDX-License-Identifier: GPL-3.0-or-later
// The file-system calls of the safe save on Linux and other POSIX systems.
#include "files/platformread.h"
#include "files/safefile.h"
#include "files/writeall.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zarnik {

namespace {

void closeQuietly(int fd)
{
    ::close(fd);
}

FileStatus statusFrom(const struct stat& st)
{
    FileStatus result;
    if (S_ISREG(st.st_mode))
        result.kind = PathKind::Regular;
    else if (S_ISDIR(st.st_mode))
        result.kind = PathKind::Directory;
    else if (S_ISLNK(st.st_mode))
        result.kind = PathKind::Link;
    else
        result.kind = PathKind::Other;
    result.owner = st.st_uid;
    result.group = st.st_gid;
    result.mode = st.st_mode & 07777;
    return result;
}

}  // namespace

FileStatus FileSystem::status(const std::string& path)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? statusFrom(st) : FileStatus{};
}

FileStatus FileSystem::statusThroughLinks(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? statusFrom(st) : FileStatus{};
}

std::string FileSystem::readLink(const std::string& path)
{
    std::string target(256, '\0');
    for (;;) {
        const ssize_t n = ::readlink(path.c_str(), target.data(), target.size());
        if (n < 0)
            throw FileError(FileStep::Open, path, errno);
        if (static_cast<size_t>(n) < target.size()) {
            target.resize(static_cast<size_t>(n));
            return target;
        }
        target.resize(target.size() * 2);
    }
}

size_t FileSystem::maxNameLength(const std::string& dir)
{
    const long n = ::pathconf(dir.c_str(), _PC_NAME_MAX);
    return n > 0 ? static_cast<size_t>(n) : NAME_MAX;
}

std::vector<std::string> FileSystem::listDirectory(const std::string& dir)
{
    std::vector<std::string> names;
    DIR* d = ::opendir(dir.c_str());
    if (!d)
        return names;
    while (const dirent* e = ::readdir(d))
        names.emplace_back(e->d_name);
    ::closedir(d);
    return names;
}

long FileSystem::currentProcess()
{
    return static_cast<long>(::getpid());
}

bool FileSystem::processRunning(long id)
{
    if (id <= 0 || id > INT_MAX)
        return true;  // not an id this program wrote: leave the file alone
    return ::kill(static_cast<pid_t>(id), 0) == 0 || errno != ESRCH;
}

int FileSystem::createNew(const std::string& path, const FileStatus* like, FileStep step)
{
    // A copy of an existing file starts readable by its creator only and is opened up to
    // the file's own mode once it has the file's owner and group.
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, like ? 0600 : 0666);
    if (fd < 0)
        throw FileError(step, path, errno);
    if (!like)
        return fd;
    mode_t mode = like->mode & 07777;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && (st.st_uid != like->owner || st.st_gid != like->group) &&
        ::fchown(fd, like->owner, like->group) != 0) {
        // Only root may give a file away; a user may still keep the group if a member of it.
        const bool groupKept =
            st.st_gid == like->group || ::fchown(fd, static_cast<uid_t>(-1), like->group) == 0;
        // In another group, the group may read no more than everybody else.
        if (!groupKept)
            mode = (mode & ~mode_t(070)) | ((mode & 07) << 3);
    }
    ::fchmod(fd, mode);
    return fd;
}

int FileSystem::openExisting(const std::string& path, FileStep step)
{
    const int fd = ::open(path.c_str(), O_WRONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(step, path, errno);
    return fd;
}

void WriteAll(int fd, std::string_view bytes, const std::string& name, FileStep step)
{
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(step, name, errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

void FileSystem::write(int fd, const std::string& path, std::string_view bytes, FileStep step)
{
    WriteAll(fd, bytes, path, step);
}

void FileSystem::finish(int fd, const std::string& path, FileStep step)
{
    // Pipes and devices cannot be flushed to a disk; that is no failure of theirs.
    if (::fsync(fd) != 0 && errno != EINVAL && errno != EROFS && errno != ENOTSUP) {
        const int err = errno;
        closeQuietly(fd);
        throw FileError(step, path, err);
    }
    if (::close(fd) != 0)
        throw FileError(step, path, errno);
}

void FileSystem::abandon(int fd)
{
    closeQuietly(fd);
}

void FileSystem::hardLink(const std::string& from, const std::string& to, FileStep step)
{
    if (::link(from.c_str(), to.c_str()) != 0)
        throw FileError(step, from, errno);
}

void FileSystem::copyFile(const std::string& from, const std::string& to, const FileStatus& like,
                          FileStep step)
{
    const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC);
    if (in < 0)
        throw FileError(step, from, errno);
    int out = -1;
    try {
        out = createNew(to, &like, step);
        std::string buffer(1 << 20, '\0');
        for (;;) {
            const ssize_t n = ::read(in, buffer.data(), buffer.size());
            if (n == 0)
                break;
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                throw FileError(step, from, errno);
            }
            write(out, from, std::string_view(buffer.data(), static_cast<size_t>(n)), step);
        }
        const int done = out;
        out = -1;
        finish(done, from, step);
    } catch (...) {
        closeQuietly(in);
        if (out >= 0)
            closeQuietly(out);
        ::unlink(to.c_str());
        throw;
    }
    closeQuietly(in);
}

void FileSystem::removeFile(const std::string& path, FileStep step)
{
    if (::unlink(path.c_str()) != 0)
        throw FileError(step, path, errno);
}

void FileSystem::renameFile(const std::string& from, const std::string& to, FileStep step)
{
    if (::rename(from.c_str(), to.c_str()) != 0)
        throw FileError(step, to, errno);
}

void FileSystem::syncDirectory(const std::string& dir)
{
    const int fd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    closeQuietly(fd);
}

FileSystem& RealFileSystem()
{
    static FileSystem fs;
    return fs;
}

ReadingFile OpenForReading(const std::string& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        throw FileError(FileStep::Open, path, errno);
    struct stat st {};
    const bool known = ::fstat(fd, &st) == 0;
    if (!known || S_ISDIR(st.st_mode)) {
        const int err = known ? EISDIR : errno;
        ::close(fd);
        throw FileError(known ? FileStep::Open : FileStep::Read, path, err);
    }
    return {fd, S_ISREG(st.st_mode) && st.st_size > 0 ? static_cast<uint64_t>(st.st_size) : 0};
}

size_t ReadSome(const ReadingFile& file, char* into, size_t room, const std::string& path)
{
    for (;;) {
        const ssize_t n = ::read(static_cast<int>(file.handle), into, std::min<size_t>(room, 1u << 30));
        if (n >= 0)
            return static_cast<size_t>(n);
        if (errno != EINTR)
            throw FileError(FileStep::Read, path, errno);
    }
}

void CloseReading(const ReadingFile& file)
{
    ::close(static_cast<int>(file.handle));
}

}  // namespace zarnik
