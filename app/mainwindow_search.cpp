// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"

#include "text/encodings.h"
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "searchpanel.h"
#include "textsearch.h"
#include "windowkeys.h"

#include <QAction>
#include <QComboBox>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
constexpr int kBlinkMs = 300;
constexpr int kNudgePixels = 25;
}  // namespace

void MainWindow::createSearchPanel()
{
    searchPanel_ = new SearchPanel(this, centralWidget());
    centralLayout_->addWidget(searchPanel_);  // under the list, so above the status bar
    searchPanel_->hide();
    connect(searchPanel_, &SearchPanel::findNextClicked, this, &MainWindow::FindNext);
    connect(searchPanel_, &SearchPanel::hideClicked, this, &MainWindow::HideSearchPanel);

    // Ctrl+F is no menu item's key, and unlike "Найти.." it works with no document loaded.
    auto* find = new QAction(this);
    find->setObjectName(QStringLiteral("FindAction"));
    find->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    find->setShortcutContext(Qt::WindowShortcut);
    connect(find, &QAction::triggered, this, &MainWindow::ShowSearchPanel);
    addAction(find);

    blinkTimer_ = new QTimer(this);
    blinkTimer_->setObjectName(QStringLiteral("BlinkTimer"));
    blinkTimer_->setSingleShot(true);
    blinkTimer_->setInterval(kBlinkMs);
    connect(blinkTimer_, &QTimer::timeout, this, &MainWindow::endCaptionBlink);

    // The list reports Enter itself, with its modifiers; push buttons press themselves.
    windowKeys_ = new WindowKeys(this, [this](QWidget* target, Qt::KeyboardModifiers modifiers) {
        if (target == list_ || qobject_cast<QPushButton*>(target) || !enterRunsFindNext(modifiers))
            return false;
        FindNext();
        return true;
    });
}

bool MainWindow::searchPanelShown() const
{
    return searchPanel_ && !searchPanel_->isHidden();
}

bool MainWindow::enterRunsFindNext(Qt::KeyboardModifiers modifiers) const
{
    return searchPanelShown() &&
           !(modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier));
}

void MainWindow::ShowSearchPanel()
{
    searchPanel_->show();
    searchPanel_->queryBox()->setFocus();
}

void MainWindow::HideSearchPanel()
{
    searchPanel_->hide();
    list_->setFocus();
}

void MainWindow::FindNext()
{
    // A search asked for while the caption is still blank runs after the blink, in the
    // direction the blink may have turned, as if the blink had held the window up.
    endCaptionBlink();

    const QString query = searchPanel_->query();
    searchPanel_->remember(query);
    const bool down = searchPanel_->searchesDown();

    const int count = session_.isLoaded() ? static_cast<int>(session_.count()) : 0;
    int found = -1;
    if (CurrentIndex >= 0 && count > 0) {
        const std::string typed = QStringToCp1251(query);
        const TextMatcher matcher(zarnik::DisplayTableFor(displayMode()), typed, searchPanel_->matchesCase());
        // The source is searched as it is shown: in its own encoding.
        const bool inSource = source_.isOpen() && searchPanel_->searchesSource();
        const TextMatcher sourceMatcher(source_.displayTable(), typed, searchPanel_->matchesCase());
        const auto inText = [&](int i) { return matcher.matches(session_.text(i)); };
        const auto inTextOrSource = [&](int i) {
            const std::optional<std::string_view> source = source_.storedText(i);
            return inText(i) || (source && sourceMatcher.matches(*source));
        };
        // One loop per kind of hit, so that a search of the texts alone costs what it did.
        const auto scan = [&](auto hit) {
            if (down) {
                for (int i = CurrentIndex + 1; i < count; ++i)
                    if (hit(i))
                        return i;
            } else {
                for (int i = std::min(CurrentIndex, count) - 1; i >= 0; --i)
                    if (hit(i))
                        return i;
            }
            return -1;
        };
        found = inSource ? scan(inTextOrSource) : scan(inText);
    }

    if (found < 0) {
        SetStatus(2, QStringLiteral("Текст не найден"));
        blinkCaption();
        return;
    }
    CurrentIndex = found;
    // The found row is also the list's own row, so the next arrow key moves on from the
    // place the search found; the focus stays in the query field for the next search.
    list_->selectionModel()->setCurrentIndex(
        model_->index(found, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    RevealCurrent(false);
    list_->nudge(down ? kNudgePixels : -kNudgePixels, found);
    SetStatus(2, QStringLiteral("Текст найден"));
}

void MainWindow::blinkCaption()
{
    blinking_ = true;
    captionBlank_ = true;
    updateCaption();
    blinkTimer_->start();
}

void MainWindow::endCaptionBlink()
{
    if (!blinking_)
        return;
    blinking_ = false;
    blinkTimer_->stop();
    captionBlank_ = false;
    updateCaption();
    if (settings_.changeDir)
        searchPanel_->reverseDirection();
}
