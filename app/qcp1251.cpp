// SPDX-License-Identifier: GPL-3.0-or-later
#include "qcp1251.h"

#include "text/cp1251.h"

QString Cp1251ToQString(std::string_view bytes)
{
    QString out(static_cast<qsizetype>(bytes.size()), Qt::Uninitialized);
    QChar* p = out.data();
    for (size_t i = 0; i < bytes.size(); ++i)
        p[i] = QChar(zarnik::Cp1251ToUnicode(static_cast<uint8_t>(bytes[i])));
    return out;
}

std::string QStringToCp1251(const QString& text)
{
    return zarnik::Utf16ToCp1251(
        std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                            static_cast<size_t>(text.size())));
}
