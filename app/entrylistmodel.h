// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "edit/sourcetexts.h"
#include "format/gxtdocument.h"
#include "qcp1251.h"

#include <QAbstractTableModel>

#include <array>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// The rows of the entry list: the key column and the text column in display form
// (Windows-1251 bytes). A refilled row shows the document's text through the mode's byte
// table, converted when it is drawn, so a refill costs nothing per row. A row that was
// updated after an edit keeps the text it was given, which can differ from the
// document's: its new text split into lines, of which it shows the first.
class EntryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Rebuilds every row from the document, shown through the byte table of `mode`. The
    // document must stay in place until the next refill or detach.
    void refill(const zarnik::GxtDocument& doc, int mode);
    // Forgets the document (before it goes away).
    void detach();
    // Where the third column's texts come from; it shows while `shown`, and a source opened
    // over another one shows its own texts.
    void setSource(const zarnik::SourceTexts* source) { source_ = source; }
    void showSource(bool shown);
    bool sourceShown() const { return sourceShown_; }
    static constexpr int kSourceColumn = 2;
    // A row update after an edit: the text split into lines at its line breaks.
    void setRowText(int row, std::string_view displayText);

    // The row's display text, or its first `limit` characters.
    std::string shownText(int row, size_t limit = std::string::npos) const;
    // The length the position panel reports: an updated row counts its lines joined with
    // a two-character line break; a refilled row counts every character once.
    int rowLength(int row) const;
    std::string keyText(int row) const;
    int rows() const { return rows_; }
    // The rows whose texts (in the text or the source column) are estimated widest by
    // summing per-byte advances, at most `count` of them.
    std::vector<int> widestRows(const std::array<int, 256>& advance, size_t count, int column = 1) const;
    // The row whose key is estimated widest the same way, and that estimate; -1 when no
    // key has a width.
    std::pair<int, int> widestKey(const std::array<int, 256>& advance) const;

    // A row shows at most this many characters of its text, followed by "…": laying out a
    // text of millions of characters to draw or measure it would stall the window.
    static constexpr size_t kShownLimit = 1000;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct UpdatedRow {
        std::string shown;
        int length = 0;
    };
    QString shownCell(const std::string& shown) const;

    const zarnik::GxtDocument* doc_ = nullptr;
    const zarnik::SourceTexts* source_ = nullptr;
    bool sourceShown_ = false;
    const uint8_t* table_ = nullptr;
    int rows_ = 0;
    std::unordered_map<int, UpdatedRow> updated_;
};
