// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/fileerror.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik {

enum class PathKind { Missing, Regular, Directory, Link, Other };

// What a save needs to know about a name, without following a link at the name itself.
struct FileStatus {
    PathKind kind = PathKind::Missing;
    uint32_t owner = 0;
    uint32_t group = 0;
    uint32_t mode = 0;  // permission bits, setuid/setgid/sticky included
};

// The file-system operations of the writers, one platform file per system. Operations
// that change something throw FileError with the step the caller names; the best-effort
// ones never throw. Tests substitute a subclass that fails or stops at a chosen call,
// which is the only reliable way to provoke such failures when the tests run as root.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual FileStatus status(const std::string& path);
    // The same, for whatever the name leads to through any links (Missing when nothing).
    virtual FileStatus statusThroughLinks(const std::string& path);
    // The target of the symbolic link `path` as stored in it. Throws FileError (Open).
    virtual std::string readLink(const std::string& path);
    // The longest file name the folder accepts, in bytes.
    virtual size_t maxNameLength(const std::string& dir);
    // The names in a folder; empty when it cannot be listed.
    virtual std::vector<std::string> listDirectory(const std::string& dir);
    virtual long currentProcess();
    // False only when no process of that id exists any more.
    virtual bool processRunning(long id);

    // Creates `path`, which must not exist yet, for writing. With `like`, the new file gets
    // that file's owner, group and mode and is never readable by anybody the other file
    // is not readable by; without it, the usual mode for a new file. Throws FileError.
    virtual int createNew(const std::string& path, const FileStatus* like, FileStep step);
    // Opens an existing file that is not a regular one (a pipe, a device) to write into it.
    virtual int openExisting(const std::string& path, FileStep step);
    // Writes all of `bytes`. Throws FileError.
    virtual void write(int fd, const std::string& path, std::string_view bytes, FileStep step);
    // Flushes the file to the disk and closes it. Throws FileError.
    virtual void finish(int fd, const std::string& path, FileStep step);
    // Closes a file that is being given up.
    virtual void abandon(int fd);
    // Gives the file at `from` the second name `to`, which must not exist yet.
    virtual void hardLink(const std::string& from, const std::string& to, FileStep step);
    // Copies the file at `from` to the new file `to`, which gets `like`'s owner and mode.
    virtual void copyFile(const std::string& from, const std::string& to, const FileStatus& like,
                          FileStep step);
    virtual void removeFile(const std::string& path, FileStep step);
    // Atomic: `to` names either its old file or `from`'s, never nothing.
    virtual void renameFile(const std::string& from, const std::string& to, FileStep step);
    // Best effort: makes the folder's changed names durable.
    virtual void syncDirectory(const std::string& dir);
};

FileSystem& RealFileSystem();

// Reads a whole file. Throws FileError (Open or Read).
std::string ReadWholeFile(const std::string& path);
// The same into memory the caller keeps: `resize(n)` makes room for n bytes, keeping
// those already there, and returns where they start. The file is read straight into it,
// sized for the file at first, grown if the file grows while it is read; the last call
// gives the size read. A file longer than `limit` bytes is refused (TooLarge) once the
// read gets past it, so that a device without end (/dev/zero) is never read for ever.
void ReadWholeFileInto(const std::string& path, const std::function<char*(uint64_t)>& resize, uint64_t limit);
// Reads a file piece by piece, handing each to `consume` until it returns false or the
// file ends. Throws FileError (Open or Read).
void ReadFileInPieces(const std::string& path, const std::function<bool(std::string_view)>& consume);

// How a finished image replaces the file at `path`.
enum class BackupPolicy {
    None,        // the old file is simply replaced
    KeepBackup,  // the old file becomes `path` + "_", replacing an older backup
};

// What to do when the name holds something that is not a regular file (a pipe, a device).
enum class SpecialTarget {
    Refuse,     // write nothing and say so
    WriteInto,  // write the bytes straight into it, as a shell redirection would
};

// Produces a file's bytes piece by piece through `emit`, so that a large file never has to
// be held in memory whole.
using ByteProducer = std::function<void(const std::function<void(std::string_view)>& emit)>;

// Where a save really goes: a symbolic link is followed, at save time, to the file it
// names, so that the link stays a link and the file behind it is the one replaced.
struct SaveTarget {
    std::string requested;  // the name as given
    std::string path;       // the file written
    std::string dir;        // its folder ("." for a bare name)
    std::string name;       // its last component
    FileStatus status;      // of `path`
};
SaveTarget ResolveSaveTarget(const std::string& path, FileSystem& fs);

struct SaveOutcome {
    std::string path;    // the file written (a link's target, when a link was given)
    std::string backup;  // the backup made, or empty
};

// Replaces the file at `path` with the produced bytes. The bytes go to a temporary file
// beside the file first; only once it is complete and flushed does one rename put it
// under the name, so the name always holds either the old or the new complete file. The
// backup is a second name of the old file, which takes the backup's name before the new
// file takes the file's, so a save killed at any moment never leaves the new file in place
// without the old one as its backup. If any step fails, the file and its previous backup
// are as they were and FileError says which step failed. A temporary file left behind by
// a save that was killed is removed by the next one.
SaveOutcome ReplaceFileSafely(const std::string& path, const ByteProducer& produce,
                              BackupPolicy policy, FileSystem& fs = RealFileSystem(),
                              SpecialTarget special = SpecialTarget::Refuse);
SaveOutcome ReplaceFileSafely(const std::string& path, std::string_view bytes, BackupPolicy policy,
                              FileSystem& fs = RealFileSystem(),
                              SpecialTarget special = SpecialTarget::Refuse);

// The two halves of ReplaceFileSafely, for a target already resolved and checked.
// Writes the complete image to a new temporary file beside the target and returns its name.
std::string WriteTemporaryFile(const SaveTarget& target, const ByteProducer& produce, FileSystem& fs);
// Puts the finished temporary file under the target's name, making the backup on the way.
SaveOutcome SwapIntoPlace(const SaveTarget& target, const std::string& temp, BackupPolicy policy,
                          FileSystem& fs);

// The backup name used for `path`.
std::string BackupPathFor(const std::string& path);

// True when `name` (a bare file name) is a temporary file this program made for the file
// named `forName` in the same folder; `owner` receives the id of the process that made it,
// `use` the letter that says what it was for.
bool IsTemporaryNameFor(const std::string& name, const std::string& forName, long* owner = nullptr,
                        char* use = nullptr);

}  // namespace zarnik
