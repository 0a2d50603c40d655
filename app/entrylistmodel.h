#pragma once

#include "gxtdocument.h"

#include <QAbstractTableModel>

#include <array>
#include <string>
#include <string_view>
#include <vector>

// The rows of the entry list: the key column and the text column in display form
// (Windows-1251 bytes). A row keeps the text it was given, which can differ from the
// document's text: an edited row holds its new text split into lines and shows the first.
class EntryListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Rebuilds every row from the document, shown through the byte table of `mode`.
    void refill(const zarnik::GxtDocument& doc, int mode);
    // A row update after an edit: the text split into lines at its line breaks.
    void setRowText(int row, std::string_view displayText);

    const std::string& shownText(int row) const { return rows_[row].shown; }
    // The length the position panel reports: an updated row counts its lines joined with
    // a two-character line break; a refilled row counts every character once.
    int rowLength(int row) const { return rows_[row].length; }
    std::string keyText(int row) const;
    int rows() const { return static_cast<int>(rows_.size()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Row {
        std::string shown;
        int length = 0;
    };
    std::vector<std::array<char, 8>> keys_;
    std::vector<Row> rows_;
};

// Turns Windows-1251 bytes into a QString through the program's own table.
QString Cp1251ToQString(std::string_view bytes);
std::string QStringToCp1251(const QString& text);
