// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "format/gxtdocument.h"

#include <cstddef>

namespace zarnik {

// One entry's new text (storage form), as part of a change of many entries.
struct TextChange {
    size_t index = 0;
    Text text;
};

}  // namespace zarnik
