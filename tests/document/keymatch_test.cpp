// SPDX-License-Identifier: GPL-3.0-or-later
#include "translation/keymatch.h"

#include <gtest/gtest.h>

#include <string>

namespace zarnik {
namespace {

std::vector<KeyEntry> keys(std::initializer_list<std::string> names)
{
    std::vector<KeyEntry> out;
    for (const std::string& n : names) {
        KeyEntry k;
        std::copy(n.begin(), n.begin() + std::min<size_t>(n.size(), 8), k.name.begin());
        out.push_back(k);
    }
    return out;
}

constexpr size_t no = KeyMatch::npos;

TEST(KeyMatch, FullKeyThenVisibleNameThenOccurrence)
{
    using namespace std::string_literals;
    struct Case {
        const char* what;
        std::vector<KeyEntry> file, source;
        std::vector<size_t> sourceOf, unmatchedSource;
    } cases[] = {
        {"same keys in another order", keys({"a", "b", "c"}), keys({"c", "a", "b"}), {1, 2, 0}, {}},
        {"missing on either side", keys({"a", "x"}), keys({"y", "a"}), {1, no}, {0}},
        {"bytes after the zero differ: matched by the visible name",
         keys({"c14\0rcy"s}), keys({"c14\0abc"s}), {0}, {}},
        {"the exact key wins over an earlier key with the same visible name",
         keys({"c14\0rcy"s}), keys({"c14\0abc"s, "c14\0rcy"s}), {1}, {0}},
        {"repeats by occurrence; a third repeat the source lacks",
         keys({"k", "k", "k"}), keys({"k", "z", "k"}), {0, 2, no}, {1}},
        {"a leftover repeat takes a leftover of the same visible name",
         keys({"k\0a"s, "k\0a"s}), keys({"k\0a"s, "k\0b"s}), {0, 1}, {}},
        {"the all-zero key", keys({""}), keys({"a", ""}), {1}, {0}},
        {"alike at the start, then a repeat in another place",
         keys({"a", "k", "k", "b"}), keys({"a", "k", "b", "k"}), {0, 1, 3, 2}, {}},
    };
    for (const Case& c : cases) {
        const KeyMatch m = MatchKeys(c.file, c.source);
        EXPECT_EQ(m.sourceOf, c.sourceOf) << c.what;
        EXPECT_EQ(m.unmatchedSource, c.unmatchedSource) << c.what;
    }
}

}  // namespace
}  // namespace zarnik
