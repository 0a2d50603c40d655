// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QGroupBox>
#include <QStringList>

class QCheckBox;
class QComboBox;
class QPushButton;
class QRadioButton;

// The "Поиск" panel at the bottom of the main window: the query with its history, the
// direction, the match-case box and the two buttons. It only holds the controls and their
// state; the window runs the search.
class SearchPanel : public QGroupBox {
    Q_OBJECT
public:
    // `window` is the top-level window whose outer width the controls follow.
    SearchPanel(QWidget* window, QWidget* parent);

    QComboBox* queryBox() const { return query_; }
    QRadioButton* upButton() const { return up_; }
    QRadioButton* downButton() const { return down_; }
    QCheckBox* matchCaseBox() const { return matchCase_; }
    // Whether the source column is searched too; the box can be ticked only while a source
    // file is shown, but keeps its state.
    QCheckBox* inSourceBox() const { return inSource_; }
    bool searchesSource() const;
    void setSearchesSource(bool on);
    QPushButton* findNextButton() const { return findNext_; }
    QPushButton* hideButton() const { return hide_; }

    QString query() const;
    bool searchesDown() const;
    void setSearchesDown(bool down);
    bool matchesCase() const;
    void setMatchesCase(bool on);
    // Newest first use first.
    QStringList history() const;
    void setHistory(const QStringList& items);
    // A query not yet in the history (compared exactly) goes to the top; one already there
    // keeps its place.
    void remember(const QString& query);
    void reverseDirection();

    // Places the controls for a window `outerWidth` pixels wide, frame included.
    void followWindowWidth(int outerWidth);

signals:
    void findNextClicked();
    void hideClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* window_;
    QComboBox* query_;
    QGroupBox* direction_;
    QRadioButton* up_;
    QRadioButton* down_;
    QCheckBox* matchCase_;
    QCheckBox* inSource_;
    QPushButton* findNext_;
    QPushButton* hide_;
};
