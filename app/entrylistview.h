// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTableView>

#include <array>

class EntryListModel;

// The entry list: a report list with a row cursor, not a spreadsheet. Whole-row single
// selection, read-only; Home/End go to the first/last entry, Left/Right scroll sideways,
// and moving between rows never scrolls sideways. Fixed row height, so that a hundred
// thousand rows cost no more to show than a hundred.
class EntryListView : public QTableView {
    Q_OBJECT
public:
    explicit EntryListView(QWidget* parent = nullptr);

    void setEntryModel(EntryListModel* model);
    void applyFont(const QFont& font, const QColor& color);

    // Column widths as the program sets them, with the limits that hold for them. The key
    // column is never narrower than the widest key of the rows shown (within its limits).
    void setKeyColumnWidth(int width);
    int keyColumnWidth() const { return columnWidth(0); }
    int keyColumnFloor() const { return keyFloor_; }
    // Width that fits the widest text of the text column and its header, reaching at
    // least the right edge of the list.
    void fitTextColumn();
    // The same with the widths found by the last fitting, without measuring again: for when
    // the column after it comes or goes.
    void refitTextColumn();
    // The source column, while it is shown, by the text column's rules: 400 pixels unless
    // set, never under 300 by hand or from the settings, fitted like the text column and,
    // being the last column then, reaching the right edge instead of it.
    void fitSourceColumn();
    void setSourceColumnWidth(int width);
    int sourceColumnWidth() const;
    // Moves the view by whole rows, the nearest to `pixels` (negative: up), to show the
    // entry after row `keep` (before it, upwards): no further than that, and never so far
    // that `keep` itself leaves the view. -1: no row to keep.
    void nudge(int pixels, int keep);
    // Brings a row into view, scrolling up or down only; nothing for a row that is not there.
    void revealRow(int row);
    void scrollTo(const QModelIndex& index, ScrollHint hint = EnsureVisible) override;

signals:
    void enterPressed(Qt::KeyboardModifiers modifiers);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;

private:
    void updateKeyFloor();
    int rowHeight() const;
    int rowsInFullView(int viewportHeight) const;
    int clampKeyWidth(int width) const;
    void onSectionResized(int section, int oldSize, int newSize);
    void fitKeyColumnToClientWidth();
    void fitColumn(int column);
    void setFittedWidth(int column, int contentWidth);
    bool sourceShown() const;
    void setColumnWidthProgrammatically(int column, int width);

    EntryListModel* model_ = nullptr;
    std::array<int, 256> byteAdvance_{};  // advance of every Windows-1251 byte in the list font
    bool settingWidth_ = false;
    int keyFloor_ = 0;
    std::array<int, 3> fittedContent_{};  // per column: the width of its widest text and header
};
