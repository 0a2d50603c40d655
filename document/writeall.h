#pragma once

#include <string>
#include <string_view>

namespace zarnik {

// Writes all of `bytes` to an open file descriptor, however many calls that takes, and
// resumes after an interrupted call. Throws FileError (Write) naming `name`.
void WriteAll(int fd, std::string_view bytes, const std::string& name);

}  // namespace zarnik
