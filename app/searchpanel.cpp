// SPDX-License-Identifier: GPL-3.0-or-later
#include "searchpanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {
constexpr int kPanelHeight = 104;
// The controls' places: the query spans the panel, the buttons keep to its right edge,
// the direction and the match-case box to its left one.
constexpr int kComboWidthLess = 26;
constexpr int kFindNextLeftLess = 235;
constexpr int kHideLeftLess = 123;
constexpr int kComboTop = 20;
constexpr int kButtonTop = 64;
constexpr int kButtonWidth = 105;
constexpr int kButtonHeight = 28;
}  // namespace

SearchPanel::SearchPanel(QWidget* window, QWidget* parent)
    : QGroupBox(QStringLiteral("Поиск"), parent), window_(window)
{
    setObjectName(QStringLiteral("GroupBox2"));
    setFixedHeight(kPanelHeight);

    query_ = new QComboBox(this);
    query_->setObjectName(QStringLiteral("ComboBox1"));
    query_->setEditable(true);
    // The history is kept by the window's own rule, and a query is what was typed, never
    // a longer history item completed into the field.
    query_->setInsertPolicy(QComboBox::NoInsert);
    query_->setCompleter(nullptr);
    query_->setMaxVisibleItems(12);
    query_->setGeometry(8, kComboTop, 300, query_->sizeHint().height());

    direction_ = new QGroupBox(QStringLiteral("Направление"), this);
    direction_->setObjectName(QStringLiteral("GroupBox1"));
    direction_->setGeometry(8, 50, 170, 48);
    up_ = new QRadioButton(QStringLiteral("Вверх"), direction_);
    up_->setObjectName(QStringLiteral("RadioButton1"));
    up_->setGeometry(10, 20, 72, 22);
    down_ = new QRadioButton(QStringLiteral("Вниз"), direction_);
    down_->setObjectName(QStringLiteral("RadioButton2"));
    down_->setGeometry(88, 20, 72, 22);
    down_->setChecked(true);

    matchCase_ = new QCheckBox(QStringLiteral("С у. р."), this);
    matchCase_->setObjectName(QStringLiteral("CheckBox1"));
    matchCase_->setToolTip(QStringLiteral("С учётом регистра"));
    matchCase_->setGeometry(186, 68, 62, 22);

    inSource_ = new QCheckBox(QStringLiteral("И в исходном"), this);
    inSource_->setObjectName(QStringLiteral("CheckBox2"));
    inSource_->setToolTip(QStringLiteral("Искать и в исходном тексте"));
    // Over the match-case box, under the query: the row beside the buttons is theirs at
    // the window's smallest width.
    const int inSourceTop = kComboTop + query_->height();
    inSource_->setGeometry(186, inSourceTop, inSource_->sizeHint().width(), 68 - inSourceTop);
    inSource_->setEnabled(false);

    findNext_ = new QPushButton(QStringLiteral("Найти далее"), this);
    findNext_->setObjectName(QStringLiteral("Button1"));
    hide_ = new QPushButton(QStringLiteral("Скрыть"), this);
    hide_->setObjectName(QStringLiteral("Button2"));
    // As on Windows, Enter on a focused button presses that button.
    for (QPushButton* b : {findNext_, hide_}) {
        b->setAutoDefault(true);
        b->resize(kButtonWidth, kButtonHeight);
    }
    connect(findNext_, &QPushButton::clicked, this, &SearchPanel::findNextClicked);
    connect(hide_, &QPushButton::clicked, this, &SearchPanel::hideClicked);

    window_->installEventFilter(this);
    followWindowWidth(window_->frameGeometry().width());
}

QString SearchPanel::query() const
{
    return query_->currentText();
}

bool SearchPanel::searchesDown() const
{
    return down_->isChecked();
}

void SearchPanel::setSearchesDown(bool down)
{
    (down ? down_ : up_)->setChecked(true);
}

bool SearchPanel::matchesCase() const
{
    return matchCase_->isChecked();
}

void SearchPanel::setMatchesCase(bool on)
{
    matchCase_->setChecked(on);
}

bool SearchPanel::searchesSource() const
{
    return inSource_->isChecked();
}

void SearchPanel::setSearchesSource(bool on)
{
    inSource_->setChecked(on);
}

QStringList SearchPanel::history() const
{
    QStringList items;
    items.reserve(query_->count());
    for (int i = 0; i < query_->count(); ++i)
        items.append(query_->itemText(i));
    return items;
}

void SearchPanel::setHistory(const QStringList& items)
{
    const QString typed = query_->currentText();
    query_->clear();
    query_->addItems(items);
    query_->setEditText(typed);
}

void SearchPanel::remember(const QString& query)
{
    for (int i = 0; i < query_->count(); ++i)
        if (query_->itemText(i) == query)
            return;
    query_->insertItem(0, query);
}

void SearchPanel::reverseDirection()
{
    setSearchesDown(!searchesDown());
}

void SearchPanel::followWindowWidth(int outerWidth)
{
    query_->setGeometry(query_->x(), query_->y(), std::max(0, outerWidth - kComboWidthLess),
                        query_->height());
    findNext_->move(outerWidth - kFindNextLeftLess, kButtonTop);
    hide_->move(outerWidth - kHideLeftLess, kButtonTop);
}

bool SearchPanel::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_ && (event->type() == QEvent::Resize || event->type() == QEvent::Show))
        followWindowWidth(window_->frameGeometry().width());
    return QGroupBox::eventFilter(watched, event);
}
