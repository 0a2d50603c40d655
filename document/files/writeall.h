// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/fileerror.h"

#include <string>
#include <string_view>

namespace zarnik {

// Writes all of `bytes` to an open file descriptor, however many calls that takes, and
// resumes after an interrupted call. Throws FileError with `step` naming `name`. Defined
// in the platform file, beside the other calls that touch the disk.
void WriteAll(int fd, std::string_view bytes, const std::string& name, FileStep step = FileStep::Write);

}  // namespace zarnik
