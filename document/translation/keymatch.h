// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "format/gxtdocument.h"

#include <array>
#include <cstddef>
#include <cstdint>
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

// The entries of a file by name (all 8 bytes) and occurrence: the first "car1" is
// occurrence 1, the second 2. Built in O(n log n) with 20 bytes per entry, for files of
// millions of keys; the names are sorted beside the entries, not looked up through them,
// since jumping about a million keys is what made building it slow.
class KeyIndex {
public:
    static constexpr size_t npos = std::numeric_limits<size_t>::max();
    explicit KeyIndex(const std::vector<KeyEntry>& keys);
    unsigned occurrence(size_t entry) const { return occurrence_[entry]; }
    // The entry with that name and occurrence, or npos.
    size_t find(const std::array<char, 8>& name, unsigned occurrence) const;

private:
    struct Named {
        uint64_t name;
        uint32_t entry;
    };
    std::vector<Named> order_;          // entries by name, then by place in the file
    std::vector<uint32_t> occurrence_;  // per entry
};

}  // namespace zarnik
