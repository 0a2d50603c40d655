// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "text/encodings.h"
#include "files/safefile.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace zarnik::cli {

// Standard output through one large buffer written straight to the system: a million
// list lines cost a handful of system calls, and a failed write (full disk, file-size
// limit) becomes a FileError instead of being lost in a stream's error flag.
class Output {
public:
    explicit Output(int fd = 1) : fd_(fd) { buffer_.reserve(kChunk); }

    std::string& buffer() { return buffer_; }
    void write(std::string_view text);
    // Writes the buffer out once it holds a chunk's worth; cheap to call per line.
    void flushIfFull()
    {
        if (buffer_.size() >= kChunk)
            flush();
    }
    void flush();

private:
    static constexpr size_t kChunk = 1 << 20;
    int fd_;
    std::string buffer_;
};

// A refusal that is not about a file operation of the core (which throws FileError).
class CommandError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Each command loads the file with the editor's loader and throws FileError or
// CommandError on failure; `out` receives what the user reads on the terminal.
void RunInfo(const std::string& path, Output& out);
void RunList(const std::string& path, int mode, Output& out);
void RunExport(const std::string& path, const std::optional<std::string>& target, Output& out);
void RunRecode(RecodeDirection direction, const std::string& path,
               const std::optional<std::string>& target, Output& out);
void RunResave(const std::string& path, const std::optional<std::string>& target, Output& out);

// The line every saving command ends with, so that a followed link and the backup are
// reported the same way whichever command saved.
std::string savedLine(const std::string& target, const SaveOutcome& outcome);

}  // namespace zarnik::cli
