// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"
#include "platform.h"

#include "text/encodings.h"
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "files/fileerror.h"
#include "format/textexport.h"
#include "windowcaption.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

std::string toLocalPath(const QString& path)
{
    return platform::CorePath(path);
}

}  // namespace

MainWindow::MainWindow(Prompts& prompts, const ProgramDirectory& programDirectory,
                       const QStringList& arguments, QWidget* parent)
    : QMainWindow(parent), prompts_(prompts), programDirectory_(programDirectory)
{
    setObjectName(QStringLiteral("TForm1"));
    updateCaption();
    setMinimumSize(485, 350);

    auto* central = new QWidget(this);
    centralLayout_ = new QVBoxLayout(central);
    centralLayout_->setContentsMargins(0, 0, 0, 0);
    centralLayout_->setSpacing(0);
    model_ = new EntryListModel(this);
    model_->setSource(&source_);
    list_ = new EntryListView(central);
    list_->setEntryModel(model_);
    centralLayout_->addWidget(list_);
    setCentralWidget(central);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, [this] { list_->nudge(25, CurrentIndex); });

    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::ListView1SelectItem);
    // The edit command starts from the list only when its menu item could.
    connect(list_, &QAbstractItemView::doubleClicked, this, [this] { action(Command::Edit)->trigger(); });
    connect(list_, &EntryListView::enterPressed, this, [this](Qt::KeyboardModifiers modifiers) {
        if (enterRunsFindNext(modifiers))
            FindNext();
        else
            action(Command::Edit)->trigger();
    });

    createMenus();
    createStatusBar();
    createSearchPanel();
    session_.addListener(this);
    startUp(arguments);
    startingUp_ = false;
}

MainWindow::~MainWindow()
{
    SaveSettings();
    session_.removeListener(this);
    // The rows read the document, which goes before the list does.
    model_->detach();
}

void MainWindow::createStatusBar()
{
    statusBar()->setObjectName(QStringLiteral("StatusBar1"));
    const int widths[2] = {150, 300};
    for (int i = 0; i < 2; ++i) {
        statusPanels_[i] = new QLabel(this);
        statusPanels_[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i + 1));
        statusPanels_[i]->setFixedWidth(widths[i]);
        statusBar()->addWidget(statusPanels_[i]);
    }
    // The source file's figures, while one is shown.
    sourcePanel_ = new QLabel(this);
    sourcePanel_->setObjectName(QStringLiteral("StatusPanel3"));
    statusBar()->addWidget(sourcePanel_, 1);
    sourcePanel_->hide();
}

void MainWindow::startUp(const QStringList& arguments)
{
    LoadSettings();
    source_.setDocumentMode(displayMode());
    action(modeCommand(displayMode()))->setChecked(true);
    list_->applyFont(ListFont.font, ListFont.color);
    list_->setShowGrid(settings_.useGrig);
    UpdateMenuState();

    const QString argument = arguments.isEmpty() ? QString() : arguments.first();
    if (!argument.isEmpty() && QFileInfo(argument).isFile())
        loadAtStartUp(QFileInfo(argument).absoluteFilePath());
    else if (!DocumentPath.isEmpty() && QFileInfo(DocumentPath).isFile())
        loadAtStartUp(DocumentPath);
}

void MainWindow::loadAtStartUp(const QString& path)
{
    std::future<zarnik::GxtDocument> source = readSourceAhead(path);
    if (!loadInto(path))
        return;
    DocumentPath = path;
    setCaptionPath(path);
    setLanguageCaption(LanguageMode);
    list_->setKeyColumnWidth(settings_.captionWidth);
    sourceFollowsDocument(std::move(source));
    UpdateMenuState();
}

bool MainWindow::loadInto(const QString& path)
{
    try {
        session_.load(toLocalPath(path));
        return true;
    } catch (const std::exception& e) {
        showFileError(e);
        return false;
    }
}

void MainWindow::showFileError(const std::exception& error)
{
    if (const auto* fe = dynamic_cast<const zarnik::FileError*>(&error))
        prompts_.error(this, QString::fromStdString(fe->russianMessage()));
    else if (dynamic_cast<const std::bad_alloc*>(&error))
        prompts_.error(this, QStringLiteral("Недостаточно памяти"));
    else
        prompts_.error(this, QString::fromLocal8Bit(error.what()));
}

QString MainWindow::statusText(int panel) const
{
    return statusPanels_[panel - 1]->text();
}

void MainWindow::SetStatus(int panel, const QString& text)
{
    statusPanels_[panel - 1]->setText(text);
}

void MainWindow::entryChanged(size_t index)
{
    entryTyped(index, ToDisplay(zarnik::Text(session_.text(index))));
}

void MainWindow::entryTyped(size_t index, std::string_view shown)
{
    const int row = static_cast<int>(index);
    model_->setRowText(row, shown);
    if (row == CurrentIndex)
        UpdatePositionPanel();
    UpdateSourcePanel();
}

void MainWindow::allEntriesChanged()
{
    // The list takes the focus except while the window is still being built.
    RefillList(!startingUp_);
    UpdateSourcePanel();
}

void MainWindow::modifiedChanged(bool)
{
    updateCaption();
}

void MainWindow::historyChanged()
{
    UpdateMenuState();
}

QString MainWindow::caption() const
{
    if (captionBlank_)
        return QString();
    if (captionPath_.isEmpty())
        return QStringLiteral("Form1");
    return session_.isModified() ? captionPath_ + QLatin1Char('*') : captionPath_;
}

void MainWindow::updateCaption()
{
    ShowCaption(this, caption());
}

// A new caption shows at once, even in the middle of the search blink.
void MainWindow::setCaptionPath(const QString& path)
{
    captionPath_ = path;
    captionBlank_ = false;
    updateCaption();
}

bool MainWindow::openDocument(const QString& path)
{
    std::future<zarnik::GxtDocument> source = readSourceAhead(path);
    if (!loadInto(path))
        return false;
    DocumentPath = path;
    setCaptionPath(DocumentPath);
    sourceFollowsDocument(std::move(source));
    UpdateMenuState();
    return true;
}

void MainWindow::Open()
{
    if (session_.isModified() && !prompts_.confirm(this, QStringLiteral("Файл не сохранён! Всё равно продолжить?")))
        return;
    QString startDir;
    if (!DocumentPath.isEmpty() && QFileInfo(DocumentPath).isFile())
        startDir = QFileInfo(DocumentPath).absolutePath();
    const QString chosen = prompts_.openFileName(this, startDir);
    if (chosen.isEmpty())
        return;
    openDocument(QFileInfo(chosen).absoluteFilePath());
}

void MainWindow::Save()
{
    try {
        session_.save(toLocalPath(DocumentPath));
    } catch (const std::exception& e) {
        showFileError(e);
        return;
    }
    SetStatus(2, QStringLiteral("Файл сохранён"));
}

void MainWindow::SaveAs()
{
    const QString chosen = prompts_.saveFileName(this, QFileInfo(DocumentPath).absolutePath());
    if (chosen.isEmpty())
        return;
    // Windows file names are case-blind, and so is the choice of what to write.
    const QString suffix = QFileInfo(chosen).suffix().toLower();
    try {
        if (suffix == QLatin1String("gxt")) {
            session_.save(toLocalPath(chosen));
            setCaptionPath(chosen);
            SetStatus(2, QStringLiteral("Файл пересохранён"));
        } else if (suffix == QLatin1String("txt")) {
            zarnik::ExportTextFile(session_.document(), toLocalPath(chosen));
            SetStatus(2, QStringLiteral("Файл сохранён как текст"));
        } else {
            prompts_.warning(this, QStringLiteral("Файл «%1» не сохранён: можно сохранить только "
                                                  "в формате .gxt или как текст .txt")
                                       .arg(QFileInfo(chosen).fileName()));
        }
    } catch (const std::exception& e) {
        showFileError(e);
    }
}

void MainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // A document loaded at start-up was fitted before the list had its real size, and
    // that first resize recomputed the key column too.
    if (!shownOnce_ && session_.isLoaded()) {
        list_->setKeyColumnWidth(settings_.captionWidth);
        list_->setSourceColumnWidth(settings_.sourceWidth);
        if (settings_.autoSize) {
            list_->fitTextColumn();
            list_->fitSourceColumn();
        }
        // Brought into view in a list of no real height yet: again, from the top.
        list_->scrollToTop();
        RevealCurrent(false);
    }
    shownOnce_ = true;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (session_.isModified() && !prompts_.confirm(this, QStringLiteral("Файл не сохранён! Всё равно выйти?"))) {
        event->ignore();
        return;
    }
    event->accept();
}

// Esc is no shortcut but a key that reaches the window only when nothing under it used it:
// an open menu, list or the menu bar closes first, each on its own Esc.
void MainWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier)
        EscapePressed();
    else
        QMainWindow::keyPressEvent(event);
}

void MainWindow::EscapePressed()
{
    if (searchPanelShown())
        HideSearchPanel();
    else
        showMinimized();
}

// ---- list and status bar

void MainWindow::RefillList(bool takeFocus)
{
    const int remembered = CurrentIndex;
    list_->setUpdatesEnabled(false);
    model_->refill(session_.document(), displayMode());
    const int count = model_->rows();
    CurrentIndex = (remembered < 0 || remembered >= count) ? 0 : remembered;
    if (count == 0)
        CurrentIndex = -1;
    if (settings_.autoSize) {
        list_->fitTextColumn();
        list_->fitSourceColumn();
    }
    if (CurrentIndex >= 0) {
        const QModelIndex index = model_->index(CurrentIndex, 0);
        list_->selectionModel()->setCurrentIndex(
            index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    } else {
        UpdatePositionPanel();
    }
    list_->setUpdatesEnabled(true);
    if (takeFocus)
        list_->setFocus();
    // Every row was replaced, so the list starts from the top again.
    list_->scrollToTop();
    RevealCurrent(true);
}

void MainWindow::RevealCurrent(bool nudge)
{
    list_->revealRow(CurrentIndex);
    if (nudge)
        Timer1->start();
}

void MainWindow::ListView1SelectItem()
{
    const QModelIndexList rows = list_->selectionModel()->selectedRows();
    CurrentIndex = rows.isEmpty() ? -1 : rows.first().row();
    UpdatePositionPanel();
}

void MainWindow::UpdatePositionPanel()
{
    QString text = QStringLiteral("%1/%2").arg(CurrentIndex + 1).arg(session_.document().Count());
    if (CurrentIndex >= 0 && CurrentIndex < model_->rows())
        text += QStringLiteral(" (%1)").arg(model_->rowLength(CurrentIndex));
    SetStatus(1, text);
}

// ---- language modes

int MainWindow::displayMode() const
{
    // A stored number that names no mode shows texts unconverted.
    if (LanguageMode == zarnik::kModePirate || LanguageMode == zarnik::kModeBuka)
        return LanguageMode;
    return zarnik::kModeOriginal;
}

void MainWindow::setLanguageCaption(int mode)
{
    languageMenu_->setTitle(QString::fromUtf8(zarnik::ModeMenuCaption(mode)));
}

void MainWindow::SelectMode(int mode)
{
    if (LanguageMode == mode)
        return;
    if (mode >= zarnik::kModeOriginal && mode <= zarnik::kModeBuka)
        action(modeCommand(mode))->setChecked(true);
    setLanguageCaption(mode);
    LanguageMode = mode;
    source_.setDocumentMode(displayMode());
    RefillList(true);
    UpdateSourcePanel();
}

zarnik::Text MainWindow::ToDisplay(zarnik::Text text) const
{
    zarnik::ToDisplay(text, displayMode());
    return text;
}

zarnik::Text MainWindow::ToStorage(zarnik::Text text) const
{
    zarnik::ToStorage(text, displayMode());
    return text;
}
