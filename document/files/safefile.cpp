// SPDX-License-Identifier: GPL-3.0-or-later
// How a file is replaced without ever leaving its name empty or half-written. Everything
// that touches the disk goes through FileSystem, whose calls live in one file per system.
#include "files/safefile.h"

#include "files/platformread.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>

namespace zarnik {

namespace {

// A symbolic link pointing at itself, directly or through others, ends the search here,
// as the systems' own limit does.
constexpr int kMaxLinkHops = 40;
// Enough bytes of the file's own name to tell in a listing whose temporary file it is;
// short, so that a long name never makes the temporary name too long.
constexpr size_t kNamePrefix = 20;
constexpr size_t kWriteChunk = 1 << 20;
// The letter of a temporary name that holds the previous backup during a save.
constexpr char kPreviousBackup = 'p';

bool isSeparator(char c)
{
#ifdef _WIN32
    if (c == '\\')
        return true;
#endif
    return c == '/';
}

bool isAbsolute(const std::string& path)
{
#ifdef _WIN32
    if (path.size() >= 2 && path[1] == ':')
        return true;
#endif
    return !path.empty() && isSeparator(path[0]);
}

size_t lastSeparator(const std::string& path)
{
    for (size_t i = path.size(); i > 0; --i)
        if (isSeparator(path[i - 1]))
            return i - 1;
    return std::string::npos;
}

// The folder part of a path as it can be joined again; "." for a bare name.
std::string folderOf(const std::string& path)
{
    const size_t slash = lastSeparator(path);
    if (slash == std::string::npos)
        return ".";
    if (slash == 0)
        return path.substr(0, 1);
    return path.substr(0, slash);
}

std::string lastComponent(const std::string& path)
{
    const size_t slash = lastSeparator(path);
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string joinPath(const std::string& dir, const std::string& name)
{
    if (dir == ".")
        return name;
    if (!dir.empty() && isSeparator(dir.back()))
        return dir + name;
    return dir + "/" + name;
}

uint32_t nameHash(std::string_view name)
{
    uint32_t h = 2166136261u;
    for (char c : name) {
        h ^= static_cast<uint8_t>(c);
        h *= 16777619u;
    }
    return h;
}

// ".texts.gxt~1a2b3c4d-": a hidden name that says which file it belongs to; the rest of
// a temporary name is the id of the process that made it and a letter for its use.
std::string temporaryStem(const std::string& forName)
{
    size_t n = std::min(forName.size(), kNamePrefix);
    while (n > 0 && n < forName.size() && (static_cast<uint8_t>(forName[n]) & 0xC0) == 0x80)
        --n;  // never cut a UTF-8 character in two
    char hash[16];
    std::snprintf(hash, sizeof hash, "%08x", static_cast<unsigned>(nameHash(forName)));
    return "." + forName.substr(0, n) + "~" + hash + "-";
}

// Calls `create` with fresh temporary names beside the target until one is not taken.
template <typename Create>
std::string withTemporaryName(const SaveTarget& target, char use, FileSystem& fs, Create create)
{
    const std::string base =
        temporaryStem(target.name) + std::to_string(fs.currentProcess()) + "-" + use;
    for (int attempt = 0;; ++attempt) {
        const std::string path =
            joinPath(target.dir, attempt == 0 ? base : base + std::to_string(attempt));
        try {
            create(path);
            return path;
        } catch (const FileError& e) {
            // Taken only when another thread of this process saves the same file.
            if (e.sysError() != EEXIST || attempt >= 100)
                throw;
        }
    }
}

void removeQuietly(const std::string& path, FileSystem& fs)
{
    if (path.empty())
        return;
    try {
        fs.removeFile(path, FileStep::Write);
    } catch (const FileError&) {
    }
}

// Temporary files of this target whose process is gone were left by a save that was
// killed; those of running processes are saves in progress and stay. A previous backup
// that this process could not remove after its own save is no longer needed either.
void removeStaleTemporaries(const SaveTarget& target, FileSystem& fs)
{
    const long self = fs.currentProcess();
    for (const std::string& entry : fs.listDirectory(target.dir)) {
        long owner = 0;
        char use = 0;
        if (IsTemporaryNameFor(entry, target.name, &owner, &use) &&
            (owner == self ? use == kPreviousBackup : !fs.processRunning(owner)))
            removeQuietly(joinPath(target.dir, entry), fs);
    }
}

// Sends the produced bytes to `fd` in large writes, whatever the size of the pieces.
void writeProduced(int fd, const std::string& path, const ByteProducer& produce, FileSystem& fs)
{
    std::string buffer;
    buffer.reserve(kWriteChunk);
    produce([&](std::string_view piece) {
        if (buffer.size() + piece.size() > kWriteChunk && !buffer.empty()) {
            fs.write(fd, path, buffer, FileStep::Write);
            buffer.clear();
        }
        if (piece.size() >= kWriteChunk)
            fs.write(fd, path, piece, FileStep::Write);
        else
            buffer.append(piece);
    });
    fs.write(fd, path, buffer, FileStep::Write);
}

// A pipe or a device has no old contents to keep and cannot be swapped: the bytes go
// straight into it.
void writeInto(const SaveTarget& target, const ByteProducer& produce, FileSystem& fs)
{
    const int fd = fs.openExisting(target.path, FileStep::Write);
    try {
        writeProduced(fd, target.path, produce, fs);
    } catch (...) {
        fs.abandon(fd);
        throw;
    }
    fs.finish(fd, target.path, FileStep::Write);
}

// Closes the file however the reading ends.
struct Reading {
    ReadingFile file;
    explicit Reading(const std::string& path) : file(OpenForReading(path)) {}
    ~Reading() { CloseReading(file); }
    Reading(const Reading&) = delete;
    Reading& operator=(const Reading&) = delete;
};

FileError tooLarge(const std::string& path)
{
    return FileError(FileStep::TooLarge, path, 0, "the file is larger than its format allows");
}

}  // namespace

void ReadWholeFileInto(const std::string& path, const std::function<char*(uint64_t)>& resize, uint64_t limit)
{
    Reading reading(path);
    if (reading.file.size > limit)
        throw tooLarge(path);
    // One byte past the expected size, so that the end is seen without growing; a file
    // that keeps growing (a device, a pipe) is given up one byte past the limit.
    uint64_t size = std::min(reading.file.size > 0 ? reading.file.size + 1 : uint64_t(65536), limit + 1);
    char* data = resize(size);
    uint64_t got = 0;
    for (;;) {
        if (got == size) {
            if (got > limit)
                throw tooLarge(path);
            data = resize(size = std::min(size * 2, limit + 1));
        }
        const size_t n = ReadSome(reading.file, data + got, static_cast<size_t>(std::min<uint64_t>(size - got, 1u << 30)), path);
        if (n == 0)
            break;
        got += n;
    }
    resize(got);
}

std::string ReadWholeFile(const std::string& path)
{
    std::string data;
    ReadWholeFileInto(
        path,
        [&data](uint64_t n) {
            data.resize(static_cast<size_t>(n));
            return data.data();
        },
        data.max_size() - 1);
    return data;
}

void ReadFileInPieces(const std::string& path, const std::function<bool(std::string_view)>& consume)
{
    Reading reading(path);
    std::string buffer(1 << 16, '\0');
    for (;;) {
        const size_t n = ReadSome(reading.file, buffer.data(), buffer.size(), path);
        if (n == 0 || !consume(std::string_view(buffer.data(), n)))
            break;
    }
}

std::string BackupPathFor(const std::string& path)
{
    return path + "_";
}

bool IsTemporaryNameFor(const std::string& name, const std::string& forName, long* owner, char* use)
{
    const std::string stem = temporaryStem(forName);
    if (name.size() <= stem.size() || name.compare(0, stem.size(), stem) != 0)
        return false;
    size_t i = stem.size();
    long id = 0;
    const size_t digits = i;
    while (i < name.size() && name[i] >= '0' && name[i] <= '9' && i - digits < 18)
        id = id * 10 + (name[i++] - '0');
    if (i == digits || i + 2 > name.size() || name[i] != '-')
        return false;
    for (size_t k = i + 2; k < name.size(); ++k)
        if (name[k] < '0' || name[k] > '9')
            return false;
    if (owner)
        *owner = id;
    if (use)
        *use = name[i + 1];
    return true;
}

SaveTarget ResolveSaveTarget(const std::string& path, FileSystem& fs)
{
    const auto resolved = [&path](const std::string& at, const FileStatus& st) {
        SaveTarget t;
        t.requested = path;
        t.path = at;
        t.dir = folderOf(at);
        t.name = lastComponent(at);
        t.status = st;
        return t;
    };
    std::string current = path;
    for (int hop = 0;; ++hop) {
        const FileStatus st = fs.status(current);
        if (st.kind != PathKind::Link)
            return resolved(current, st);
        if (hop == 0) {
            // Links to pipes and terminals (/dev/stdout) may not name anything a path can
            // reach again; such a target is written through the link itself.
            const FileStatus end = fs.statusThroughLinks(path);
            if (end.kind == PathKind::Other || end.kind == PathKind::Directory)
                return resolved(path, end);
        }
        if (hop == kMaxLinkHops)
            throw FileError(FileStep::Open, path, ELOOP);
        const std::string to = fs.readLink(current);
        current = isAbsolute(to) ? to : joinPath(folderOf(current), to);
    }
}

std::string WriteTemporaryFile(const SaveTarget& target, const ByteProducer& produce, FileSystem& fs)
{
    const FileStatus* like = target.status.kind == PathKind::Regular ? &target.status : nullptr;
    int fd = -1;
    std::string temp;
    try {
        temp = withTemporaryName(target, 'n', fs, [&](const std::string& name) {
            fd = fs.createNew(name, like, FileStep::CreateTemp);
        });
    } catch (const FileError& e) {
        throw e.about(target.path);
    }
    try {
        writeProduced(fd, temp, produce, fs);
        const int done = fd;
        fd = -1;
        fs.finish(done, temp, FileStep::Write);
    } catch (const FileError& e) {
        if (fd >= 0)
            fs.abandon(fd);
        removeQuietly(temp, fs);
        throw e.about(target.path);
    } catch (...) {
        if (fd >= 0)
            fs.abandon(fd);
        removeQuietly(temp, fs);
        throw;
    }
    return temp;
}

SaveOutcome SwapIntoPlace(const SaveTarget& target, const std::string& temp, BackupPolicy policy,
                          FileSystem& fs)
{
    SaveOutcome outcome{target.path, {}};
    if (policy == BackupPolicy::None || target.status.kind != PathKind::Regular) {
        try {
            fs.renameFile(temp, target.path, FileStep::MoveIntoPlace);
        } catch (const FileError&) {
            removeQuietly(temp, fs);
            throw;
        }
        fs.syncDirectory(target.dir);
        return outcome;
    }

    // The backup starts as a second name of the current file, so the name itself is
    // never taken away, and takes the backup's name before the new file takes the file's:
    // whenever the new file is in place, the backup is the file it replaced. The previous
    // backup keeps a name of its own until then, to be put back if the last step fails.
    const std::string backup = BackupPathFor(target.path);
    std::string second, previous;
    try {
        try {
            second = withTemporaryName(target, 'b', fs, [&](const std::string& name) {
                fs.hardLink(target.path, name, FileStep::MakeBackup);
            });
        } catch (const FileError& e) {
            if (e.sysError() == EEXIST)
                throw;
            // File systems without hard links (FAT, some network shares) get a copy.
            second = withTemporaryName(target, 'c', fs, [&](const std::string& name) {
                fs.copyFile(target.path, name, target.status, FileStep::MakeBackup);
            });
        }
        if (fs.status(backup).kind == PathKind::Regular)
            previous = withTemporaryName(target, kPreviousBackup, fs, [&](const std::string& name) {
#ifndef _WIN32
                // Windows cannot remove a second name of a file another program holds open,
                // so there the previous backup is moved aside instead.
                try {
                    fs.hardLink(backup, name, FileStep::MakeBackup);
                    return;
                } catch (const FileError& e) {
                    if (e.sysError() == EEXIST)
                        throw;
                }
#endif
                if (fs.status(name).kind != PathKind::Missing)
                    throw FileError(FileStep::ReplaceBackup, name, EEXIST);
                try {
                    fs.renameFile(backup, name, FileStep::ReplaceBackup);
                } catch (const FileError& e) {
                    throw e.about(backup);
                }
            });
    } catch (const FileError&) {
        removeQuietly(second, fs);
        removeQuietly(temp, fs);
        throw;
    }
    try {
        fs.renameFile(second, backup, FileStep::ReplaceBackup);
        fs.renameFile(temp, target.path, FileStep::MoveIntoPlace);
    } catch (const FileError&) {
        // Put the previous backup back, so that a failed save changes nothing at all.
        try {
            if (!previous.empty()) {
                fs.renameFile(previous, backup, FileStep::ReplaceBackup);
                removeQuietly(previous, fs);  // a rename between two names of one file keeps both
            }
        } catch (const FileError&) {
        }
        removeQuietly(second, fs);
        removeQuietly(temp, fs);
        throw;
    }
    // When another process saving the same file has just made the backup from the same
    // old file, both names are one file and the rename leaves ours in place.
    removeQuietly(second, fs);
    removeQuietly(previous, fs);
    fs.syncDirectory(target.dir);
    outcome.backup = backup;
    return outcome;
}

SaveOutcome ReplaceFileSafely(const std::string& path, std::string_view bytes, BackupPolicy policy,
                              FileSystem& fs, SpecialTarget special)
{
    return ReplaceFileSafely(path, [bytes](const auto& emit) { emit(bytes); }, policy, fs, special);
}

SaveOutcome ReplaceFileSafely(const std::string& path, const ByteProducer& produce,
                              BackupPolicy policy, FileSystem& fs, SpecialTarget special)
{
    const SaveTarget target = ResolveSaveTarget(path, fs);
    switch (target.status.kind) {
    case PathKind::Directory:
        // A folder where the file should be is somebody's data too: never move it aside.
        throw FileError(FileStep::MoveIntoPlace, target.path, EISDIR);
    case PathKind::Other:
        if (special == SpecialTarget::Refuse)
            throw FileError(FileStep::NotRegularFile, target.path, 0);
        writeInto(target, produce, fs);
        return {target.path, {}};
    case PathKind::Missing:
    case PathKind::Regular:
    case PathKind::Link:
        break;
    }
    if (policy == BackupPolicy::KeepBackup) {
        const std::string backup = BackupPathFor(target.path);
        if (target.name.size() + 1 > fs.maxNameLength(target.dir))
            throw FileError(FileStep::BackupName, target.path, ENAMETOOLONG);
        const PathKind backupKind = fs.status(backup).kind;
        if (backupKind == PathKind::Directory)
            throw FileError(FileStep::ReplaceBackup, backup, EISDIR);
        if (backupKind == PathKind::Other)
            throw FileError(FileStep::NotRegularFile, backup, 0);
    }
    removeStaleTemporaries(target, fs);
    const std::string temp = WriteTemporaryFile(target, produce, fs);
    return SwapIntoPlace(target, temp, policy, fs);
}

}  // namespace zarnik
