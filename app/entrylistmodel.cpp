// SPDX-License-Identifier: GPL-3.0-or-later
#include "entrylistmodel.h"

#include "text/cp1251.h"
#include "text/encodings.h"
#include "text/lines.h"

#include <algorithm>
#include <cstring>
#include <functional>

void EntryListModel::refill(const zarnik::GxtDocument& doc, int mode)
{
    beginResetModel();
    doc_ = &doc;
    table_ = zarnik::DisplayTableFor(mode);
    rows_ = static_cast<int>(doc.keys.size());
    updated_.clear();
    endResetModel();
}

void EntryListModel::detach()
{
    beginResetModel();
    doc_ = nullptr;
    rows_ = 0;
    updated_.clear();
    endResetModel();
}

void EntryListModel::setRowText(int row, std::string_view text)
{
    if (row < 0 || row >= rows())
        return;
    const std::vector<std::string_view> lines = zarnik::SplitLines(text);
    size_t length = 0;
    for (std::string_view l : lines)
        length += l.size();
    if (lines.size() > 1)
        length += 2 * (lines.size() - 1);
    UpdatedRow& r = updated_[row];
    r.shown = lines.empty() ? std::string() : std::string(lines.front());
    r.length = static_cast<int>(length);
    emit dataChanged(index(row, 1), index(row, 1));
}

std::string EntryListModel::shownText(int row, size_t limit) const
{
    if (const auto it = updated_.find(row); it != updated_.end())
        return it->second.shown.substr(0, limit);
    const std::string_view stored = doc_->text(row);
    std::string shown(std::min(stored.size(), limit), '\0');
    for (size_t k = 0; k < shown.size(); ++k)
        shown[k] = static_cast<char>(table_[static_cast<uint8_t>(stored[k])]);
    return shown;
}

int EntryListModel::rowLength(int row) const
{
    if (const auto it = updated_.find(row); it != updated_.end())
        return it->second.length;
    return static_cast<int>(doc_->text(row).size());
}

std::vector<int> EntryListModel::widestRows(const std::array<int, 256>& advance, size_t count, int column) const
{
    const bool source = column == kSourceColumn;
    if (source && !(sourceShown_ && source_))
        return {};
    const uint8_t* table = source ? source_->displayTable() : table_;
    // The display table folded into the advances: one lookup per stored byte.
    std::array<int, 256> storedAdvance{};
    for (int b = 0; b < 256; ++b)
        storedAdvance[b] = table ? advance[table[b]] : advance[b];
    std::vector<std::pair<int, int>> best;  // (estimated width, row), a min-heap
    auto consider = [&](int width, int row) {
        if (best.size() < count) {
            best.emplace_back(width, row);
            std::push_heap(best.begin(), best.end(), std::greater<>());
        } else if (count > 0 && width > best.front().first) {
            std::pop_heap(best.begin(), best.end(), std::greater<>());
            best.back() = {width, row};
            std::push_heap(best.begin(), best.end(), std::greater<>());
        }
    };
    // Only what a row shows counts: its first kShownLimit characters and the "…"
    // (byte 0x85 in Windows-1251) after a longer text.
    const auto measure = [&](std::string_view text, const std::array<int, 256>& table) {
        int w = 0;
        for (char c : text.substr(0, kShownLimit))
            w += table[static_cast<uint8_t>(c)];
        return text.size() > kShownLimit ? w + advance[0x85] : w;
    };
    // The stored texts two bytes at a time: with a million rows this loop is most of what
    // opening a file costs the window. A sum of two advances does not care which byte
    // comes first, so the table reads the same on any byte order.
    std::vector<uint16_t> pairAdvance(65536);
    for (unsigned second = 0; second < 256; ++second)
        for (unsigned first = 0; first < 256; ++first)
            pairAdvance[first | second << 8] = static_cast<uint16_t>(storedAdvance[first] + storedAdvance[second]);
    const auto measureStored = [&](std::string_view text) {
        const std::string_view shown = text.substr(0, kShownLimit);
        const size_t n = shown.size();
        int w = n % 2 ? storedAdvance[static_cast<uint8_t>(shown[n - 1])] : 0;
        for (size_t i = 0; i + 1 < n; i += 2) {
            uint16_t pair;
            std::memcpy(&pair, shown.data() + i, 2);
            w += pairAdvance[pair];
        }
        return text.size() > kShownLimit ? w + advance[0x85] : w;
    };
    // A stored text that could not beat the narrowest of the widest so far even if every
    // character were the widest is not measured: most rows once the candidates are long.
    const int widestStored = *std::max_element(storedAdvance.begin(), storedAdvance.end());
    for (int r = 0; r < rows_; ++r) {
        const auto it = updated_.empty() || source ? updated_.end() : updated_.find(r);
        if (it != updated_.end()) {
            consider(measure(it->second.shown, advance), r);
            continue;
        }
        const std::string_view text = source ? source_->storedText(r).value_or(std::string_view()) : doc_->text(r);
        if (best.size() == count && count > 0) {
            const int bound = static_cast<int>(std::min(text.size(), kShownLimit)) * widestStored +
                              (text.size() > kShownLimit ? advance[0x85] : 0);
            if (bound <= best.front().first)
                continue;
        }
        consider(measureStored(text), r);
    }
    std::vector<int> out;
    for (const auto& [width, row] : best)
        out.push_back(row);
    return out;
}

std::pair<int, int> EntryListModel::widestKey(const std::array<int, 256>& advance) const
{
    // Straight from the key table, without a string per row: this runs at every refill.
    int widest = 0, widestRow = -1;
    for (int row = 0; row < rows_; ++row) {
        int estimate = 0;
        for (char c : doc_->keys[row].name) {
            if (c == '\0')
                break;
            estimate += advance[static_cast<uint8_t>(c)];
        }
        if (estimate > widest) {
            widest = estimate;
            widestRow = row;
        }
    }
    return {widestRow, widest};
}

std::string EntryListModel::keyText(int row) const
{
    return doc_->keys[row].shownName();
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : rows();
}

int EntryListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : sourceShown_ ? 3 : 2;
}

void EntryListModel::showSource(bool shown)
{
    if (shown == sourceShown_) {
        if (shown && rows_ > 0)
            emit dataChanged(index(0, kSourceColumn), index(rows_ - 1, kSourceColumn));
        return;
    }
    if (shown) {
        beginInsertColumns({}, kSourceColumn, kSourceColumn);
        sourceShown_ = true;
        endInsertColumns();
    } else {
        beginRemoveColumns({}, kSourceColumn, kSourceColumn);
        sourceShown_ = false;
        endRemoveColumns();
    }
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rows())
        return {};
    if (index.column() == 0)
        return Cp1251ToQString(keyText(index.row()));
    if (index.column() == kSourceColumn) {
        if (!source_)
            return {};
        const std::optional<std::string_view> stored = source_->storedText(index.row());
        if (!stored)
            return QString();
        std::string shown(stored->substr(0, kShownLimit + 1));
        const uint8_t* table = source_->displayTable();
        for (char& c : shown)
            c = static_cast<char>(table[static_cast<uint8_t>(c)]);
        return shownCell(shown);
    }
    return shownCell(shownText(index.row(), kShownLimit + 1));
}

// At most kShownLimit characters of a text, on one line.
QString EntryListModel::shownCell(const std::string& shown) const
{
    QString text = Cp1251ToQString(std::string_view(shown).substr(0, kShownLimit));
    // A refilled row keeps its line breaks; one line of the list cannot show them.
    for (QChar& c : text)
        if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            c = QLatin1Char(' ');
    if (shown.size() > kShownLimit)
        text += QChar(0x2026);
    return text;
}

QVariant EntryListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == 0 ? QStringLiteral("Имя")
           : section == kSourceColumn ? QStringLiteral("Исходный текст")
                                      : QStringLiteral("Текст");
}
