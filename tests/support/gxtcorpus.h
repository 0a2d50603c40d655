// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace zarnik::testing {

// Files of every shape the loader accepts, named: odd layouts, every byte in texts and
// keys, repeated and leftover keys, and game-shaped Russian, German and English files.
std::vector<std::pair<std::string, std::string>> GxtCorpus();

}  // namespace zarnik::testing
