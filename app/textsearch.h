// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// Finds a query in stored texts as the user sees them, without converting each text first:
// one 256-entry table folds a stored byte straight to its display form, upper-cased by the
// Windows-1251 pairs unless case matters. A search over a large document then costs one
// lookup per byte and no allocation.
class TextMatcher {
public:
    // `displayTable` turns a stored byte into the byte the user sees; `query` is what the
    // user typed, already in display form.
    TextMatcher(const uint8_t* displayTable, std::string_view query, bool matchCase);

    // True when the query occurs in `stored` shown through the display table. An empty
    // query matches nothing.
    bool matches(std::string_view stored) const;

private:
    std::array<uint8_t, 256> fold_{};
    std::string needle_;
};
