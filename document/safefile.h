#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace zarnik {

// The few file-system operations every writer of the program needs. Each throws
// FileError on failure. Tests substitute a subclass that fails one chosen step, which
// is the only reliable way to provoke such failures when the tests run as root.
class FileSystem {
public:
    virtual ~FileSystem() = default;

    virtual bool exists(const std::string& path);
    // Creates `path`, which must not exist yet, for writing. Throws FileError (CreateTemp).
    virtual int createNew(const std::string& path);
    // Writes all of `bytes` to a file from createNew. Throws FileError (Write).
    virtual void write(int fd, const std::string& path, std::string_view bytes);
    // Flushes the file to the disk and closes it. Throws FileError (Write).
    virtual void finish(int fd, const std::string& path);
    // Closes a file that is being given up.
    virtual void abandon(int fd);
    // Throws FileError with the given step.
    virtual void removeFile(const std::string& path, int step);
    virtual void renameFile(const std::string& from, const std::string& to, int step);
    // Best effort: make the file deletable/replaceable, like clearing its attributes.
    virtual void makeWritable(const std::string& path);
    // Copies the permission bits of `from` onto `to`; best effort.
    virtual void copyPermissions(const std::string& from, const std::string& to);
};

FileSystem& RealFileSystem();

// Reads a whole file. Throws FileError (Open or Read).
std::string ReadWholeFile(const std::string& path);

// How a finished image replaces the file at `path`.
enum class BackupPolicy {
    None,        // the old file is simply replaced
    KeepBackup,  // the old file becomes `path` + "_" (an older backup is deleted first)
};

// Produces a file's bytes piece by piece through `emit`, so that a large file never has to
// be held in memory whole.
using ByteProducer = std::function<void(const std::function<void(std::string_view)>& emit)>;

// Writes the bytes to a temporary file beside `path`, and only once it is complete and
// flushed puts it in place. If any step fails, the temporary file is removed, `path`
// (or, if only the final move failed and it could not be undone, its backup) still
// holds the previous contents, and FileError says which step failed.
void ReplaceFileSafely(const std::string& path, const ByteProducer& produce, BackupPolicy policy,
                       FileSystem& fs = RealFileSystem());
void ReplaceFileSafely(const std::string& path, std::string_view bytes, BackupPolicy policy,
                       FileSystem& fs = RealFileSystem());

// The backup name used for `path`.
std::string BackupPathFor(const std::string& path);

}  // namespace zarnik
