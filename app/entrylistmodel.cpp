#include "entrylistmodel.h"

#include "cp1251.h"
#include "encodings.h"

#include <cstring>

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

void EntryListModel::refill(const zarnik::GxtDocument& doc, int mode)
{
    beginResetModel();
    const uint8_t* table = zarnik::DisplayTableFor(mode);
    const size_t count = doc.keys.size();
    keys_.resize(count);
    rows_.resize(count);
    for (size_t i = 0; i < count; ++i) {
        keys_[i] = doc.keys[i].name;
        const std::string& stored = doc.CurrentTexts[i];
        Row& row = rows_[i];
        row.shown.resize(stored.size());
        for (size_t k = 0; k < stored.size(); ++k)
            row.shown[k] = static_cast<char>(table[static_cast<uint8_t>(stored[k])]);
        row.length = static_cast<int>(stored.size());
    }
    rows_.shrink_to_fit();
    endResetModel();
}

void EntryListModel::setRowText(int row, std::string_view text)
{
    if (row < 0 || row >= rows())
        return;
    // Split like a list of lines: CR LF, LF or CR end a line; a final line break does
    // not start an empty last line.
    std::vector<std::string_view> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' || text[i] == '\n') {
            lines.push_back(text.substr(start, i - start));
            if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            start = i + 1;
        }
    }
    if (start < text.size())
        lines.push_back(text.substr(start));
    size_t length = 0;
    for (std::string_view l : lines)
        length += l.size();
    if (lines.size() > 1)
        length += 2 * (lines.size() - 1);
    rows_[row].shown = lines.empty() ? std::string() : std::string(lines.front());
    rows_[row].length = static_cast<int>(length);
    emit dataChanged(index(row, 1), index(row, 1));
}

std::string EntryListModel::keyText(int row) const
{
    const auto& k = keys_[row];
    const void* zero = std::memchr(k.data(), 0, k.size());
    return std::string(k.data(), zero ? static_cast<const char*>(zero) - k.data() : k.size());
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows();
}

int EntryListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows())
        return {};
    if (index.column() == 0)
        return Cp1251ToQString(keyText(index.row()));
    QString text = Cp1251ToQString(rows_[index.row()].shown);
    // A refilled row keeps its line breaks; one line of the list cannot show them.
    for (QChar& c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    return text;
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? QStringLiteral("Имя") : QStringLiteral("Текст");
}
