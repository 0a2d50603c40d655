// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowplacement.h"

#include <algorithm>

QRect FitPlacement(qint64 left, qint64 top, qint64 width, qint64 height, const QRect& available,
                   const QSize& minimum)
{
    const qint64 w = std::max<qint64>(std::min<qint64>(width, available.width()), minimum.width());
    const qint64 h = std::max<qint64>(std::min<qint64>(height, available.height()), minimum.height());
    // A window larger than the area (only ever by its minimum size) keeps its top-left corner,
    // with the caption, on the area.
    const qint64 x = std::clamp<qint64>(left, available.left(),
                                        std::max<qint64>(available.left(), available.left() + available.width() - w));
    const qint64 y = std::clamp<qint64>(top, available.top(),
                                        std::max<qint64>(available.top(), available.top() + available.height() - h));
    return QRect(int(x), int(y), int(w), int(h));
}
