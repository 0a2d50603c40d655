// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zarnik {

// The platform's side of reading a file, defined in the platform file; the routines that
// read whole files or pieces of them are written once over these.
struct ReadingFile {
    intptr_t handle = 0;
    uint64_t size = 0;  // the size the system reports for a regular file, 0 when it has none
};
// Throws FileError (Open); a folder is refused as Open with EISDIR, which says more than
// the "access denied" some systems give for it.
ReadingFile OpenForReading(const std::string& path);
// Reads at most `room` bytes into `into`; 0 at the end. Throws FileError (Read).
size_t ReadSome(const ReadingFile& file, char* into, size_t room, const std::string& path);
void CloseReading(const ReadingFile& file);

}  // namespace zarnik
