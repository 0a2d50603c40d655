// SPDX-License-Identifier: GPL-3.0-or-later
#include "textsearch.h"

#include "text/cp1251.h"

TextMatcher::TextMatcher(const uint8_t* displayTable, std::string_view query, bool matchCase)
    : needle_(query)
{
    for (int b = 0; b < 256; ++b) {
        const uint8_t shown = displayTable[b];
        fold_[b] = matchCase ? shown : zarnik::Cp1251Upper(shown);
    }
    if (!matchCase)
        zarnik::Cp1251UpperInPlace(needle_);
}

bool TextMatcher::matches(std::string_view stored) const
{
    const size_t m = needle_.size();
    if (m == 0 || stored.size() < m)
        return false;
    const auto* hay = reinterpret_cast<const uint8_t*>(stored.data());
    const auto* needle = reinterpret_cast<const uint8_t*>(needle_.data());
    const uint8_t first = needle[0];
    const size_t last = stored.size() - m;
    for (size_t i = 0; i <= last; ++i) {
        if (fold_[hay[i]] != first)
            continue;
        size_t k = 1;
        while (k < m && fold_[hay[i + k]] == needle[k])
            ++k;
        if (k == m)
            return true;
    }
    return false;
}
