// SPDX-License-Identifier: GPL-3.0-or-later
#include "translation/keymatch.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <unordered_map>

namespace zarnik {

namespace {

uint64_t fullName(const KeyEntry& k)
{
    uint64_t v;
    std::memcpy(&v, k.name.data(), sizeof v);
    return v;
}

uint64_t visibleName(const KeyEntry& k)
{
    std::array<char, 8> name{};
    const auto zero = std::find(k.name.begin(), k.name.end(), '\0');
    std::copy(k.name.begin(), zero, name.begin());
    uint64_t v;
    std::memcpy(&v, name.data(), sizeof v);
    return v;
}

// Pairs the n-th still-unmatched file entry of a name with the n-th still-unmatched source
// entry of that name. Sources of one name are chained through `next` in file order, so the
// whole pass is linear in the number of entries.
template <typename NameOf>
void matchBy(const std::vector<KeyEntry>& file, const std::vector<KeyEntry>& source,
             std::vector<size_t>& sourceOf, std::vector<bool>& taken, NameOf nameOf)
{
    constexpr size_t npos = KeyMatch::npos;
    std::vector<size_t> next(source.size(), npos);
    std::unordered_map<uint64_t, std::pair<size_t, size_t>> chain;  // name -> (first, last)
    chain.reserve(static_cast<size_t>(std::count(taken.begin(), taken.end(), false)));
    for (size_t i = 0; i < source.size(); ++i) {
        if (taken[i])
            continue;
        auto [it, added] = chain.try_emplace(nameOf(source[i]), i, i);
        if (!added) {
            next[it->second.second] = i;
            it->second.second = i;
        }
    }
    for (size_t i = 0; i < file.size(); ++i) {
        if (sourceOf[i] != npos)
            continue;
        const auto it = chain.find(nameOf(file[i]));
        if (it == chain.end() || it->second.first == npos)
            continue;
        const size_t s = it->second.first;
        sourceOf[i] = s;
        taken[s] = true;
        it->second.first = next[s];
    }
}

}  // namespace

size_t KeyMatch::unmatchedInFile() const
{
    return static_cast<size_t>(std::count(sourceOf.begin(), sourceOf.end(), npos));
}

KeyMatch MatchKeys(const std::vector<KeyEntry>& file, const std::vector<KeyEntry>& source)
{
    KeyMatch m;
    m.sourceOf.assign(file.size(), KeyMatch::npos);
    std::vector<bool> taken(source.size(), false);
    // Two files of one game or mod mostly list the same keys in the same order. Where they
    // start alike, each entry is its own match: the n-th occurrence of a name there is at
    // the same place in both, so the passes below would pair them so anyway.
    for (size_t i = 0; i < file.size() && i < source.size() && file[i].name == source[i].name; ++i) {
        m.sourceOf[i] = i;
        taken[i] = true;
    }
    if (m.unmatchedInFile() > 0)
        matchBy(file, source, m.sourceOf, taken, fullName);
    if (m.unmatchedInFile() > 0)
        matchBy(file, source, m.sourceOf, taken, visibleName);
    for (size_t i = 0; i < source.size(); ++i)
        if (!taken[i])
            m.unmatchedSource.push_back(i);
    return m;
}

KeyIndex::KeyIndex(const std::vector<KeyEntry>& keys) : order_(keys.size()), occurrence_(keys.size())
{
    for (size_t i = 0; i < keys.size(); ++i)
        order_[i] = {fullName(keys[i]), static_cast<uint32_t>(i)};
    std::sort(order_.begin(), order_.end(), [](const Named& a, const Named& b) {
        return a.name < b.name || (a.name == b.name && a.entry < b.entry);
    });
    for (size_t j = 0; j < order_.size(); ++j) {
        const bool again = j > 0 && order_[j].name == order_[j - 1].name;
        occurrence_[order_[j].entry] = again ? occurrence_[order_[j - 1].entry] + 1 : 1;
    }
}

size_t KeyIndex::find(const std::array<char, 8>& name, unsigned occurrence) const
{
    KeyEntry probe;
    probe.name = name;
    const uint64_t wanted = fullName(probe);
    const auto first = std::lower_bound(order_.begin(), order_.end(), wanted,
                                        [](const Named& e, uint64_t n) { return e.name < n; });
    if (occurrence == 0 || static_cast<size_t>(order_.end() - first) < occurrence)
        return npos;
    const Named& e = *(first + (occurrence - 1));
    return e.name == wanted ? e.entry : npos;
}

}  // namespace zarnik
