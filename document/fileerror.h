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
    DeleteBackup,    // removing the previous backup ("name_")
    RenameToBackup,  // turning the current file into the backup
    MoveIntoPlace,   // moving the finished temporary file to its final name
    TooLarge,        // the document does not fit the 32-bit offsets of the format
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

    // The same failure reported under another name: a temporary file's failure is the
    // failure to save the user's file.
    FileError withPath(std::string path) const;

    FileStep step() const { return step_; }
    const std::string& path() const { return path_; }
    int sysError() const { return sysError_; }
    const std::string& systemText() const { return systemText_; }

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
