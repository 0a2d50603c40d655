// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "format/gxtdocument.h"

#include <cstddef>
#include <limits>
#include <vector>

namespace zarnik {

// Which entry of a second file (the source: usually the English file a translation was
// made from) holds the same key as each entry of a file. The game finds a text by the name
// up to its first zero, but mods leave other bytes after that zero, so two files of the
// same mod can disagree on them: the full 8 bytes are matched first, and only entries left
// over are matched by the name up to the first zero. A key that a file holds more than once
// is matched by its occurrence: the second "car1" to the second "car1".
struct KeyMatch {
    static constexpr size_t npos = std::numeric_limits<size_t>::max();
    std::vector<size_t> sourceOf;        // per entry of the file: the source entry, or npos
    std::vector<size_t> unmatchedSource; // source entries no entry of the file took, in order

    size_t unmatchedInFile() const;
};

KeyMatch MatchKeys(const std::vector<KeyEntry>& file, const std::vector<KeyEntry>& source);

}  // namespace zarnik
