// SPDX-License-Identifier: GPL-3.0-or-later
#include "storedpath.h"

#include "entrylistmodel.h"

namespace {
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";
}  // namespace

std::string StoredPathFrom(const QString& path)
{
    std::string cp1251 = QStringToCp1251(path);
    if (Cp1251ToQString(cp1251) == path && !std::string_view(cp1251).starts_with(kUtf8Mark))
        return cp1251;
    const QByteArray utf8 = path.toUtf8();
    return std::string(kUtf8Mark) + std::string(utf8.constData(), static_cast<size_t>(utf8.size()));
}

QString StoredPathTo(std::string_view stored)
{
    if (stored.starts_with(kUtf8Mark)) {
        stored.remove_prefix(kUtf8Mark.size());
        return QString::fromUtf8(stored.data(), static_cast<qsizetype>(stored.size()));
    }
    return Cp1251ToQString(stored);
}
