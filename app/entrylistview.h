#pragma once

#include <QTableView>

#include <array>

class EntryListModel;

// The entry list: whole-row single selection, read-only, fixed row height so that a
// hundred thousand rows cost no more to show than a hundred.
class EntryListView : public QTableView {
    Q_OBJECT
public:
    explicit EntryListView(QWidget* parent = nullptr);

    void setEntryModel(EntryListModel* model);
    void applyFont(const QFont& font, const QColor& color);

    // Column widths as the program sets them, with the limits that hold for them.
    void setKeyColumnWidth(int width);
    int keyColumnWidth() const { return columnWidth(0); }
    // Width that fits the widest text of the text column and its header, reaching at
    // least the right edge of the list.
    void fitTextColumn();
    // Moves the view by whole rows, the nearest to `pixels` (negative: up).
    void scrollByPixels(int pixels);

signals:
    void enterPressed(Qt::KeyboardModifiers modifiers);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void onSectionResized(int section, int oldSize, int newSize);
    void fitKeyColumnToClientWidth();
    void setColumnWidthProgrammatically(int column, int width);

    EntryListModel* model_ = nullptr;
    std::array<int, 256> byteAdvance_{};  // advance of every Windows-1251 byte in the list font
    bool settingWidth_ = false;
};
