// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>
#include <vector>

namespace zarnik {

// Splits text into lines the way Windows lists of lines do: CR LF, LF or a lone CR end a
// line, and a line break after the last line opens no further one. The views point into
// `text`.
std::vector<std::string_view> SplitLines(std::string_view text);

}  // namespace zarnik
