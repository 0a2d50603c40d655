// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace zarnik {

// What the document core was doing when a file operation failed. The window and the
// command-line tool word their messages from it, so the user learns which step failed.
enum class FileStep {
    Open,            // opening a file for reading
    Read,            // reading an opened file
    Damaged,         // the file is shorter than its own header says
    CreateTemp,      // creating the temporary file a new image is written to
    Write,           // writing or flushing that temporary file
    MakeBackup,      // giving the current file a second name (or a copy) for the backup
    MoveIntoPlace,   // moving the finished temporary file to its final name
    ReplaceBackup,   // putting that second name in place of the previous backup ("name_")
    NotRegularFile,  // the name holds a pipe, a device or a socket, which a save never replaces
    BackupName,      // the backup's name would be longer than the file system allows
    TooLarge,        // the document does not fit the 32-bit offsets of the format
    UnstorableText,  // the text of the key in `detail` holds a zero byte the format cannot store
};

// A failed file operation: the file, the step, and the system's reason (errno, or 0 when
// the reason is the file's own content, in which case `detail` says what is wrong).
// On Windows the errno is the nearest equivalent of the system's error code, for the
// callers that tell a missing file from other failures, and `systemText` is the system's
// own wording of that code, which the messages use.
class FileError : public std::runtime_error {
public:
    FileError(FileStep step, std::string path, int sysError, std::string detail = {},
              std::string systemText = {});

    FileStep step() const { return step_; }
    const std::string& path() const { return path_; }
    int sysError() const { return sysError_; }
    const std::string& systemText() const { return systemText_; }
    const std::string& detail() const { return detail_; }
    // The same failure, told about another file (the user's rather than a temporary one).
    FileError about(std::string otherPath) const
    {
        return FileError(step_, std::move(otherPath), sysError_, detail_, systemText_);
    }

    // Russian, for the editor's error box (UTF-8, without the final full stop).
    std::string russianMessage() const;
    // English, for the terminal (without the final full stop).
    std::string englishMessage() const;

private:
    FileStep step_;
    std::string path_;
    int sysError_;
    std::string detail_;
    std::string systemText_;
};

// Russian wording of a system error code (UTF-8); falls back to strerror for rare ones.
std::string RussianSystemReason(int sysError);

}  // namespace zarnik
