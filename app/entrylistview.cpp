// SPDX-License-Identifier: GPL-3.0-or-later
#include "entrylistview.h"

#include "text/cp1251.h"
#include "entrylistmodel.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFontMetrics>
#include <QHeaderView>
#include <QKeyEvent>
#include <QResizeEvent>
#include <QScrollBar>

#include <algorithm>
#include <functional>
#include <tuple>
#include <vector>
#include <cmath>

namespace {
constexpr int kKeyMin = 20;
constexpr int kKeyMax = 80;
constexpr int kTextMinDragged = 300;
constexpr int kTextDefault = 400;
constexpr int kCellMargin = 12;  // the delegate's padding on both sides of a cell's text
constexpr int kSidewaysChars = 4;  // Left/Right scroll this many average characters
}  // namespace

EntryListView::EntryListView(QWidget* parent) : QTableView(parent)
{
    setObjectName(QStringLiteral("ListView1"));
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setTabKeyNavigation(false);
    setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsMovable(false);
    horizontalHeader()->setMinimumSectionSize(kKeyMin);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The selection stays visible, in its active colour, while the list has no focus.
    QPalette pal = palette();
    pal.setColor(QPalette::Inactive, QPalette::Highlight, pal.color(QPalette::Active, QPalette::Highlight));
    pal.setColor(QPalette::Inactive, QPalette::HighlightedText,
                 pal.color(QPalette::Active, QPalette::HighlightedText));
    setPalette(pal);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, &EntryListView::onSectionResized);
    keyFloor_ = kKeyMin;
}

void EntryListView::setEntryModel(EntryListModel* model)
{
    model_ = model;
    setModel(model);
    connect(model, &QAbstractItemModel::modelReset, this, &EntryListView::updateKeyFloor);
    setColumnWidthProgrammatically(0, kKeyMax);
    setColumnWidthProgrammatically(1, kTextDefault);
}

void EntryListView::applyFont(const QFont& font, const QColor& color)
{
    setFont(font);
    // Set on the header too: Qt passes a font down to a header not yet shown only once it
    // is polished, which is never for the font read at start-up.
    horizontalHeader()->setFont(font);
    QPalette pal = palette();
    pal.setColor(QPalette::Text, color);
    setPalette(pal);
    const QFontMetrics fm(font);
    for (int b = 0; b < 256; ++b) {
        QChar ch(zarnik::Cp1251ToUnicode(static_cast<uint8_t>(b)));
        if (b == '\r' || b == '\n')
            ch = QLatin1Char(' ');
        byteAdvance_[b] = fm.horizontalAdvance(ch);
    }
    verticalHeader()->setDefaultSectionSize(fm.height() + 4);
    updateKeyFloor();
}

void EntryListView::updateKeyFloor()
{
    // With the text column fitted to a game file's long texts, "the client width less the
    // text column" is below zero at every resize; without a floor the keys would shrink
    // to "…" and that width would be remembered for the next start.
    int widest = 0;
    if (model_) {
        int widestRow = -1;
        std::tie(widestRow, widest) = model_->widestKey(byteAdvance_);
        if (widestRow >= 0)
            widest = std::max(widest, QFontMetrics(font()).horizontalAdvance(
                                          Cp1251ToQString(model_->keyText(widestRow))));
    }
    keyFloor_ = std::clamp(widest + kCellMargin, kKeyMin, kKeyMax);
    if (columnWidth(0) < keyFloor_)
        setColumnWidthProgrammatically(0, keyFloor_);
}

int EntryListView::clampKeyWidth(int width) const
{
    return std::clamp(width, keyFloor_, kKeyMax);
}

void EntryListView::setKeyColumnWidth(int width)
{
    setColumnWidthProgrammatically(0, clampKeyWidth(width));
}

void EntryListView::setColumnWidthProgrammatically(int column, int width)
{
    settingWidth_ = true;
    setColumnWidth(column, width);
    settingWidth_ = false;
}

void EntryListView::fitTextColumn()
{
    fitColumn(1);
}

void EntryListView::refitTextColumn()
{
    if (fittedContent_[1] > 0)
        setFittedWidth(1, fittedContent_[1]);
    else
        fitColumn(1);
}

void EntryListView::fitSourceColumn()
{
    if (sourceShown())
        fitColumn(EntryListModel::kSourceColumn);
}

bool EntryListView::sourceShown() const
{
    return model_ && model_->sourceShown();
}

void EntryListView::setSourceColumnWidth(int width)
{
    if (sourceShown())
        setColumnWidthProgrammatically(EntryListModel::kSourceColumn, std::max(width, kTextMinDragged));
}

int EntryListView::sourceColumnWidth() const
{
    return sourceShown() ? columnWidth(EntryListModel::kSourceColumn) : 0;
}

void EntryListView::fitColumn(int column)
{
    // Summing per-byte advances finds the widest texts in milliseconds even for a million
    // rows, but ignores kerning; the few widest candidates are then measured exactly.
    const QFontMetrics fm(font());
    int widest = 0;
    if (model_) {
        for (int row : model_->widestRows(byteAdvance_, 16, column))
            widest = std::max(widest, fm.horizontalAdvance(
                                          model_->data(model_->index(row, column), Qt::DisplayRole).toString()));
    }
    const QString caption = model_ ? model_->headerData(column, Qt::Horizontal, Qt::DisplayRole).toString()
                                   : QString();
    const int header = horizontalHeader()->fontMetrics().horizontalAdvance(caption) + 2 * kCellMargin;
    fittedContent_[static_cast<size_t>(column)] = std::max(widest + kCellMargin, header);
    setFittedWidth(column, fittedContent_[static_cast<size_t>(column)]);
}

void EntryListView::setFittedWidth(int column, int contentWidth)
{
    // Only the last column reaches the right edge.
    int toEdge = 0;
    if (!model_ || column == model_->columnCount() - 1) {
        toEdge = viewport()->width();
        for (int c = 0; c < column; ++c)
            toEdge -= columnWidth(c);
    }
    setColumnWidthProgrammatically(column, std::max(contentWidth, toEdge));
}

int EntryListView::rowHeight() const
{
    return std::max(1, verticalHeader()->defaultSectionSize());
}

int EntryListView::rowsInFullView(int viewportHeight) const
{
    return std::max(1, viewportHeight / rowHeight());
}

void EntryListView::nudge(int pixels, int keep)
{
    if (viewport()->height() < rowHeight())
        return;  // not laid out yet: there is no edge to move a row away from
    QScrollBar* bar = verticalScrollBar();
    const int top = bar->value();
    int rows = static_cast<int>(std::lround(static_cast<double>(pixels) / rowHeight()));
    if (model_ && keep >= 0 && keep < model_->rows()) {
        // Far enough to show the entry beyond `keep`, and never so far that `keep` leaves.
        const int shown = rowsInFullView(viewport()->height());
        if (rows > 0)
            rows = std::min({rows, std::max(0, keep + 2 - (top + shown)), std::max(0, keep - top)});
        else if (rows < 0)
            rows = std::max({rows, std::min(0, keep - 1 - top), std::min(0, keep - (top + shown - 1))});
    }
    bar->setValue(top + rows);
}

void EntryListView::revealRow(int row)
{
    if (model_ && row >= 0 && row < model_->rows())
        scrollTo(model_->index(row, 0), EnsureVisible);
}

void EntryListView::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        emit enterPressed(event->modifiers());
        event->accept();
        return;
    }
    // Shift+F10 is the Menu key of keyboards without one; Qt knows only the Menu key, and
    // places the menu at the current row as it does for that key.
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier) {
        const QPoint at = inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
        QContextMenuEvent menu(QContextMenuEvent::Keyboard, at, viewport()->mapToGlobal(at), event->modifiers());
        QCoreApplication::sendEvent(this, &menu);
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex EntryListView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const int rows = model_ ? model_->rows() : 0;
    if (rows == 0)
        return {};
    switch (cursorAction) {
    case MoveHome:
        return model()->index(0, 0);
    case MoveEnd:
        return model()->index(rows - 1, 0);
    case MoveLeft:
    case MoveRight: {
        QScrollBar* bar = horizontalScrollBar();
        const int step = std::max(1, fontMetrics().averageCharWidth()) * kSidewaysChars;
        bar->setValue(bar->value() + (cursorAction == MoveLeft ? -step : step));
        return currentIndex();
    }
    default: {
        // The row cursor lives in the key column, whichever cell was clicked.
        const QModelIndex moved = QTableView::moveCursor(cursorAction, modifiers);
        return moved.isValid() ? moved.siblingAtColumn(0) : moved;
    }
    }
}

void EntryListView::scrollTo(const QModelIndex& index, ScrollHint hint)
{
    // Bringing a row into view moves the list up or down only: the user's sideways
    // position stays, and the keys are not scrolled away to show a long text's start.
    QScrollBar* bar = horizontalScrollBar();
    const int sideways = bar->value();
    QTableView::scrollTo(index, hint);
    bar->setValue(sideways);
}

void EntryListView::resizeEvent(QResizeEvent* event)
{
    // A current row the user could see stays in view when the list gets lower (the window
    // made smaller, the search panel opening).
    const QRect row = visualRect(currentIndex());
    const int heightBefore = viewport()->height() - (event->size().height() - event->oldSize().height());
    const bool wasInView = row.isValid() && row.top() >= 0 && row.top() < heightBefore;
    QTableView::resizeEvent(event);
    fitKeyColumnToClientWidth();
    if (wasInView)
        revealRow(currentIndex().row());
}

void EntryListView::fitKeyColumnToClientWidth()
{
    const int others = columnWidth(1) + sourceColumnWidth();
    setColumnWidthProgrammatically(0, clampKeyWidth(viewport()->width() - others));
}

void EntryListView::onSectionResized(int section, int, int newSize)
{
    if (settingWidth_)
        return;
    // The user dragged a divider: keep the key column within its limits and the text
    // column wide enough to read.
    if (section == 0 && newSize != clampKeyWidth(newSize))
        setColumnWidthProgrammatically(0, clampKeyWidth(newSize));
    else if ((section == 1 || section == EntryListModel::kSourceColumn) && newSize < kTextMinDragged)
        setColumnWidthProgrammatically(section, kTextMinDragged);
}
