// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace zarnik::bench {

// A .gxt image shaped like a real game file but as large as asked: keys of upper case,
// digits and underscores (up to 8 characters), texts of 20 to 200 characters in a mix
// of Buka, Pirate and Latin text, some with "l!"-style markers and "#" highlights.
std::string GenerateGxt(size_t entries, uint32_t seed = 2008);

}  // namespace zarnik::bench
