#include "mainwindow.h"
#include "platform.h"

#include "encodings.h"
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "fileerror.h"
#include "textexport.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

namespace {

QString languageCaption(int mode)
{
    switch (mode) {
    case zarnik::kModeOriginal: return QStringLiteral("Язык (О)");
    case zarnik::kModePirate: return QStringLiteral("Язык (П)");
    case zarnik::kModeBuka: return QStringLiteral("Язык (Б)");
    default: return QStringLiteral("Язык");
    }
}

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
    setWindowTitle(QStringLiteral("Form1"));
    setMinimumSize(485, 350);
    move(313, 213);
    resize(713, 666);
    ListFont.font = QFont(QStringLiteral("MS Sans Serif"), 8);

    auto* central = new QWidget(this);
    centralLayout_ = new QVBoxLayout(central);
    centralLayout_->setContentsMargins(0, 0, 0, 0);
    centralLayout_->setSpacing(0);
    model_ = new EntryListModel(this);
    list_ = new EntryListView(central);
    list_->setEntryModel(model_);
    centralLayout_->addWidget(list_);
    setCentralWidget(central);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setSingleShot(true);
    Timer1->setInterval(10);
    connect(Timer1, &QTimer::timeout, this, [this] { list_->scrollByPixels(25); });

    connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::ListView1SelectItem);
    // The edit command starts from the list only when its menu item could.
    connect(list_, &QAbstractItemView::doubleClicked, this, [this] {
        if (QAction* edit = findChild<QAction*>(QStringLiteral("N12")))
            edit->trigger();
    });
    connect(list_, &EntryListView::enterPressed, this, [this](Qt::KeyboardModifiers modifiers) {
        if (enterRunsFindNext(modifiers))
            FindNext();
        else if (QAction* edit = findChild<QAction*>(QStringLiteral("N12")))
            edit->trigger();
    });

    createMenus();
    createListPopup();
    createStatusBar();
    createSearchPanel();
    startUp(arguments);
}

MainWindow::~MainWindow()
{
    SaveSettings();
    ClearUndo();
    // The rows read the document, which goes before the list does.
    model_->detach();
}

QAction* MainWindow::addCommand(QMenu* menu, const char* name, const QString& caption,
                                const QKeySequence& shortcut, Enabled rule,
                                std::function<void()> handler)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    action->setShortcut(shortcut);
    action->setShortcutContext(Qt::WindowShortcut);
    if (handler)
        connect(action, &QAction::triggered, this, [handler = std::move(handler)] { handler(); });
    menu->addAction(action);
    addAction(action);  // shortcuts work while the menu bar is closed
    enablingRules_[action] = rule;
    return action;
}

QAction* MainWindow::addTwin(QMenu* menu, const char* name, const QString& caption,
                             QAction* original)
{
    auto* action = new QAction(caption, this);
    action->setObjectName(QLatin1String(name));
    connect(action, &QAction::triggered, original, &QAction::trigger);
    menu->addAction(action);
    return action;
}

QMenu* MainWindow::addMenu(QMenu* parent, const char* name, const QString& title)
{
    QMenu* menu = parent ? parent->addMenu(title) : menuBar()->addMenu(title);
    menu->setObjectName(QLatin1String(name));
    menu->menuAction()->setObjectName(QLatin1String(name));
    return menu;
}

void MainWindow::createMenus()
{
    using E = Enabled;
    const QKeySequence none;

    QMenu* file = addMenu(nullptr, "N1", QStringLiteral("Файл"));
    addCommand(file, "N2", QStringLiteral("Открыть.."), QKeySequence(Qt::CTRL | Qt::Key_L), E::Always, [this] { Open(); });
    addCommand(file, "N3", QStringLiteral("Сохранить"), QKeySequence(Qt::CTRL | Qt::Key_S), E::Document, [this] { Save(); });
    addCommand(file, "N4", QStringLiteral("Сохранить как.."), QKeySequence(Qt::Key_F12), E::Document, [this] { SaveAs(); });
    addCommand(file, "N5", QStringLiteral("Информация.."), none, E::Document, [this] { ShowInfo(); });
    file->addSeparator();
    addCommand(file, "N7", QStringLiteral("Выход"), QKeySequence(Qt::ALT | Qt::Key_X), E::Always, [this] { close(); });

    editMenu_ = addMenu(nullptr, "N8", QStringLiteral("Правка"));
    QMenu* edit = editMenu_;
    addCommand(edit, "N9", QStringLiteral("Отмена"), QKeySequence(Qt::CTRL | Qt::Key_Z), E::CanUndo, [this] { Undo(); });
    addCommand(edit, "N10", QStringLiteral("Повтор"), QKeySequence(Qt::CTRL | Qt::Key_Y), E::CanRedo, [this] { Redo(); });
    edit->addSeparator();
    addCommand(edit, "N12", QStringLiteral("Изменить.."), QKeySequence(Qt::Key_F2), E::Document, [this] { Edit(); });
    addCommand(edit, "N13", QStringLiteral("Копировать"), QKeySequence(Qt::CTRL | Qt::Key_C), E::Document, [this] { Copy(); });
    addCommand(edit, "N14", QStringLiteral("Вставить"), QKeySequence(Qt::CTRL | Qt::Key_V), E::Document, [this] { Paste(); });
    addCommand(edit, "N15", QStringLiteral("Очистить"), QKeySequence(Qt::CTRL | Qt::Key_Delete), E::Document, [this] { Clear(); });
    QMenu* recode = addMenu(edit, "N16", QStringLiteral("Перекодировать"));
    addCommand(recode, "N17", QStringLiteral("Пиратка -> Бука"), QKeySequence(Qt::ALT | Qt::Key_B), E::Document, [this] { RecodeCurrentPirateToBuka(); });
    addCommand(recode, "N18", QStringLiteral("Бука -> Пиратка"), QKeySequence(Qt::ALT | Qt::Key_P), E::Document, [this] { RecodeCurrentBukaToPirate(); });
    recode->addSeparator();
    addCommand(recode, "N20", QStringLiteral("П -> Б (все строки)"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_B), E::Document, [this] { RecodeAllPirateToBuka(); });
    addCommand(recode, "N21", QStringLiteral("Б -> П (все строки)"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_P), E::Document, [this] { RecodeAllBukaToPirate(); });
    addCommand(edit, "N22", QStringLiteral("Восстановить"), QKeySequence(Qt::CTRL | Qt::Key_R), E::Document, [this] { Restore(); });
    addCommand(edit, "N23", QStringLiteral("Восстановить все"), QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_R), E::Document, [this] { RestoreAll(); });
    edit->addSeparator();
    addCommand(edit, "N25", QStringLiteral("Найти.."), QKeySequence(Qt::Key_F3), E::Document, [this] { ShowSearchPanel(); });
    addCommand(edit, "N26", QStringLiteral("Обновить"), QKeySequence(Qt::Key_F5), E::Document, [this] { RefillList(true); });
    edit->addSeparator();
    addCommand(edit, "N28", QStringLiteral("Настройки.."), QKeySequence(Qt::ALT | Qt::Key_O), E::Document, [this] { OpenOptions(); });

    languageMenu_ = addMenu(nullptr, "N29", QStringLiteral("Язык"));
    languageGroup_ = new QActionGroup(this);
    languageGroup_->setExclusive(true);
    const struct { const char* name; const char* caption; QKeySequence key; int mode; } modes[] = {
        {"N30", "Оригинальный", QKeySequence(Qt::CTRL | Qt::Key_O), zarnik::kModeOriginal},
        {"Linear", "Пиратка", QKeySequence(Qt::CTRL | Qt::Key_P), zarnik::kModePirate},
        {"Buka", "Бука", QKeySequence(Qt::CTRL | Qt::Key_B), zarnik::kModeBuka},
    };
    for (const auto& m : modes) {
        QAction* a = addCommand(languageMenu_, m.name, QString::fromUtf8(m.caption), m.key,
                                E::Document, [this, mode = m.mode] { SelectMode(mode); });
        a->setCheckable(true);
        languageGroup_->addAction(a);
    }
    languageGroup_->actions().first()->setChecked(true);

    QMenu* help = addMenu(nullptr, "N31", QStringLiteral("Справка"));
    addCommand(help, "Readmetxt1", QStringLiteral("Readme.txt .."), none, E::Always, [this] { ShowReadme(); });
    addCommand(help, "N32", QStringLiteral("О программе.."), QKeySequence(Qt::Key_F1), E::Always, [this] { ShowAbout(); });

    // Esc: hides the search panel when it is shown, otherwise minimizes the application.
    auto* esc = new QAction(this);
    esc->setObjectName(QStringLiteral("EscAction"));
    esc->setShortcut(QKeySequence(Qt::Key_Escape));
    esc->setShortcutContext(Qt::WindowShortcut);
    connect(esc, &QAction::triggered, this, &MainWindow::EscapePressed);
    addAction(esc);
}

void MainWindow::createListPopup()
{
    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName(QStringLiteral("PopupMenu1"));
    auto twin = [this](QMenu* menu, const char* name, const char* caption, const char* original) {
        return addTwin(menu, name, QString::fromUtf8(caption),
                       findChild<QAction*>(QLatin1String(original)));
    };
    QAction* editItem = twin(popupMenu_, "N33", "Изменить", "N12");
    QFont bold = editItem->font();
    bold.setBold(true);
    editItem->setFont(bold);  // the default item
    twin(popupMenu_, "N34", "Копировать", "N13");
    twin(popupMenu_, "N35", "Вставить", "N14");
    twin(popupMenu_, "N36", "Очистить", "N15");
    QMenu* recode = popupMenu_->addMenu(QStringLiteral("Перекодировать"));
    recode->setObjectName(QStringLiteral("N37"));
    twin(recode, "N38", "Пиратка -> Бука", "N17");
    twin(recode, "N39", "Бука -> Пиратка", "N18");
    recode->addSeparator();
    twin(recode, "N41", "П -> Б (все строки)", "N20");
    twin(recode, "N42", "Б -> П (все строки)", "N21");
    twin(popupMenu_, "N43", "Восстановить", "N22");
    popupMenu_->addSeparator();
    twin(popupMenu_, "N45", "Язык - Ориг.", "N30");
    twin(popupMenu_, "N46", "Язык - Пиратка", "Linear");
    twin(popupMenu_, "N47", "Язык - Бука", "Buka");

    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (LoadedFlag)
            popupMenu_->popup(list_->viewport()->mapToGlobal(pos));
    });
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
}

void MainWindow::startUp(const QStringList& arguments)
{
    UndoHistory_.clear();
    LoadSettings();
    if (LanguageMode == zarnik::kModePirate)
        findChild<QAction*>(QStringLiteral("Linear"))->setChecked(true);
    else if (LanguageMode == zarnik::kModeBuka)
        findChild<QAction*>(QStringLiteral("Buka"))->setChecked(true);
    list_->applyFont(ListFont.font, ListFont.color);
    list_->setShowGrid(UseGrig);
    LoadedFlag = false;
    UpdateMenuState();

    const QString argument = arguments.isEmpty() ? QString() : arguments.first();
    if (!argument.isEmpty() && QFileInfo(argument).isFile())
        loadAtStartUp(QFileInfo(argument).absoluteFilePath());
    else if (!DocumentPath.isEmpty() && QFileInfo(DocumentPath).isFile())
        loadAtStartUp(DocumentPath);
}

void MainWindow::loadAtStartUp(const QString& path)
{
    if (!loadInto(path))
        return;
    DocumentPath = path;
    setWindowTitle(path);
    RefillList(false);
    setLanguageCaption(LanguageMode);
    list_->setKeyColumnWidth(CaptionWidth);
    LoadedFlag = true;
    UpdateMenuState();
}

bool MainWindow::loadInto(const QString& path)
{
    try {
        doc_ = zarnik::LoadGxtFile(toLocalPath(path));
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

void MainWindow::UpdateMenuState()
{
    for (const auto& [action, rule] : enablingRules_) {
        bool on = true;
        switch (rule) {
        case Enabled::Always: on = true; break;
        case Enabled::Document: on = LoadedFlag; break;
        case Enabled::CanUndo: on = LoadedFlag && UndoHistory_.canUndo(); break;
        case Enabled::CanRedo: on = LoadedFlag && UndoHistory_.canRedo(); break;
        }
        action->setEnabled(on);
    }
    editMenu_->menuAction()->setEnabled(LoadedFlag);
    languageMenu_->menuAction()->setEnabled(LoadedFlag);
}

void MainWindow::SetModified(bool flag)
{
    ModifiedFlag = flag;
    QString caption = windowTitle();
    if (flag && !caption.endsWith(QLatin1Char('*')))
        setWindowTitle(caption + QLatin1Char('*'));
    else if (!flag && caption.endsWith(QLatin1Char('*')))
        setWindowTitle(caption.chopped(1));
}

void MainWindow::ClearUndo()
{
    UndoHistory_.clear();
    UpdateMenuState();
}

bool MainWindow::openDocument(const QString& path)
{
    if (!loadInto(path))
        return false;
    DocumentPath = path;
    setWindowTitle(DocumentPath);
    LoadedFlag = true;
    UpdateMenuState();
    RefillList(true);
    SetModified(false);
    ClearUndo();
    return true;
}

void MainWindow::Open()
{
    if (ModifiedFlag && !prompts_.confirm(this, QStringLiteral("Файл не сохранён! Всё равно продолжить?")))
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
        zarnik::SaveGxtFile(doc_, toLocalPath(DocumentPath));
    } catch (const std::exception& e) {
        showFileError(e);
        return;
    }
    SetStatus(2, QStringLiteral("Файл сохранён"));
    SetModified(false);
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
            zarnik::SaveGxtFile(doc_, toLocalPath(chosen));
            setWindowTitle(chosen);
            SetStatus(2, QStringLiteral("Файл пересохранён"));
            SetModified(false);
        } else if (suffix == QLatin1String("txt")) {
            zarnik::ExportTextFile(doc_, toLocalPath(chosen));
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
    if (!shownOnce_ && LoadedFlag) {
        list_->setKeyColumnWidth(CaptionWidth);
        if (AutoSize)
            list_->fitTextColumn();
    }
    shownOnce_ = true;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (ModifiedFlag && !prompts_.confirm(this, QStringLiteral("Файл не сохранён! Всё равно выйти?"))) {
        event->ignore();
        return;
    }
    event->accept();
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
    model_->refill(doc_, displayMode());
    const int count = model_->rows();
    CurrentIndex = (remembered < 0 || remembered >= count) ? 0 : remembered;
    if (count == 0)
        CurrentIndex = -1;
    if (AutoSize)
        list_->fitTextColumn();
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
    RevealCurrent(true);
}

void MainWindow::RevealCurrent(bool nudge)
{
    if (CurrentIndex >= 0 && CurrentIndex < model_->rows())
        list_->scrollTo(model_->index(CurrentIndex, 0), QAbstractItemView::EnsureVisible);
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
    QString text = QStringLiteral("%1/%2").arg(CurrentIndex + 1).arg(doc_.Count());
    if (CurrentIndex >= 0 && CurrentIndex < model_->rows())
        text += QStringLiteral(" (%1)").arg(model_->rowLength(CurrentIndex));
    SetStatus(1, text);
}

// ---- language modes

int MainWindow::displayMode() const
{
    const QAction* checked = languageGroup_->checkedAction();
    if (checked && checked->objectName() == QLatin1String("Linear"))
        return zarnik::kModePirate;
    if (checked && checked->objectName() == QLatin1String("Buka"))
        return zarnik::kModeBuka;
    return zarnik::kModeOriginal;
}

void MainWindow::setLanguageCaption(int mode)
{
    languageMenu_->setTitle(languageCaption(mode));
}

void MainWindow::SelectMode(int mode)
{
    if (LanguageMode == mode)
        return;
    const char* names[] = {"N30", "Linear", "Buka"};
    if (mode >= 1 && mode <= 3)
        findChild<QAction*>(QLatin1String(names[mode - 1]))->setChecked(true);
    setLanguageCaption(mode);
    LanguageMode = mode;
    RefillList(true);
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
