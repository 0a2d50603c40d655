// SPDX-License-Identifier: GPL-3.0-or-later
// The command table and the menus built from it.

#include "mainwindow.h"

#include "text/encodings.h"
#include "entrylistview.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QMenuBar>

#include <array>
#include <cstring>

namespace {

constexpr const char* kPopupMenu = "PopupMenu1";

// In the order they appear; a submenu goes where its first item is put.
constexpr MenuRow kMenus[] = {
    {"N1", "Файл", nullptr},
    {"N8", "Правка", nullptr},
    {"N16", "Перекодировать", "N8"},
    {"N29", "Язык", nullptr},
    {"N31", "Справка", nullptr},
};
constexpr MenuRow kPopupMenus[] = {
    {"N37", "Перекодировать", kPopupMenu},
};

const MenuRow* findMenu(const char* name)
{
    for (const MenuRow& m : kMenus)
        if (std::strcmp(m.name, name) == 0)
            return &m;
    for (const MenuRow& m : kPopupMenus)
        if (std::strcmp(m.name, name) == 0)
            return &m;
    return nullptr;
}

}  // namespace

const std::vector<CommandRow>& MainWindow::commandTable()
{
    using E = Enabling;
    using W = MainWindow;
    using K = QKeySequence;
    using D = zarnik::RecodeDirection;
    const K none;
    static const std::vector<CommandRow> table = {
        {Command::Open, {"N2", "Открыть..", "N1"}, K(Qt::CTRL | Qt::Key_L), E::Always, [](W& w) { w.Open(); }},
        {Command::Save, {"N3", "Сохранить", "N1"}, K(Qt::CTRL | Qt::Key_S), E::Document, [](W& w) { w.Save(); }},
        {Command::SaveAs, {"N4", "Сохранить как..", "N1"}, K(Qt::Key_F12), E::Document, [](W& w) { w.SaveAs(); }},
        {Command::ExportTranslation, {"N48", "Экспорт перевода..", "N1"}, none, E::Document,
         [](W& w) { w.ExportTranslation(); }},
        {Command::ImportTranslation, {"N49", "Импорт перевода..", "N1"}, none, E::Document,
         [](W& w) { w.ImportTranslation(); }},
        {Command::OpenSource, {"N50", "Открыть исходный файл..", "N1"}, none, E::Document,
         [](W& w) { w.OpenSource(); }},
        {Command::CloseSource, {"N51", "Закрыть исходный файл", "N1"}, none, E::Source,
         [](W& w) { w.CloseSource(); }},
        {Command::Info, {"N5", "Информация..", "N1"}, none, E::Document, [](W& w) { w.ShowInfo(); }},
        {Command::Exit, {"N7", "Выход", "N1", true}, K(Qt::ALT | Qt::Key_X), E::Always, [](W& w) { w.close(); }},

        {Command::Undo, {"N9", "Отмена", "N8"}, K(Qt::CTRL | Qt::Key_Z), E::CanUndo, [](W& w) { w.Undo(); }},
        {Command::Redo, {"N10", "Повтор", "N8"}, K(Qt::CTRL | Qt::Key_Y), E::CanRedo, [](W& w) { w.Redo(); }},
        {Command::Edit, {"N12", "Изменить..", "N8", true}, K(Qt::Key_F2), E::Document, [](W& w) { w.Edit(); },
         {"N33", "Изменить", kPopupMenu}},
        {Command::Copy, {"N13", "Копировать", "N8"}, K(Qt::CTRL | Qt::Key_C), E::Document, [](W& w) { w.Copy(); },
         {"N34", "Копировать", kPopupMenu}},
        {Command::Paste, {"N14", "Вставить", "N8"}, K(Qt::CTRL | Qt::Key_V), E::Document, [](W& w) { w.Paste(); },
         {"N35", "Вставить", kPopupMenu}},
        {Command::Clear, {"N15", "Очистить", "N8"}, K(Qt::CTRL | Qt::Key_Delete), E::Document, [](W& w) { w.Clear(); },
         {"N36", "Очистить", kPopupMenu}},
        {Command::RecodeCurrentPirateToBuka, {"N17", "Пиратка -> Бука", "N16"}, K(Qt::ALT | Qt::Key_B), E::Document,
         [](W& w) { w.RecodeCurrent(D::PirateToBuka); }, {"N38", "Пиратка -> Бука", "N37"}},
        {Command::RecodeCurrentBukaToPirate, {"N18", "Бука -> Пиратка", "N16"}, K(Qt::ALT | Qt::Key_P), E::Document,
         [](W& w) { w.RecodeCurrent(D::BukaToPirate); }, {"N39", "Бука -> Пиратка", "N37"}},
        {Command::RecodeAllPirateToBuka, {"N20", "П -> Б (все строки)", "N16", true}, K(Qt::CTRL | Qt::ALT | Qt::Key_B),
         E::Document, [](W& w) { w.RecodeAll(D::PirateToBuka); }, {"N41", "П -> Б (все строки)", "N37", true}},
        {Command::RecodeAllBukaToPirate, {"N21", "Б -> П (все строки)", "N16"}, K(Qt::CTRL | Qt::ALT | Qt::Key_P),
         E::Document, [](W& w) { w.RecodeAll(D::BukaToPirate); }, {"N42", "Б -> П (все строки)", "N37"}},
        {Command::Restore, {"N22", "Восстановить", "N8"}, K(Qt::CTRL | Qt::Key_R), E::Document, [](W& w) { w.Restore(); },
         {"N43", "Восстановить", kPopupMenu}},
        {Command::RestoreAll, {"N23", "Восстановить все", "N8"}, K(Qt::CTRL | Qt::ALT | Qt::Key_R), E::Document,
         [](W& w) { w.RestoreAll(); }},
        {Command::Find, {"N25", "Найти..", "N8", true}, K(Qt::Key_F3), E::Document, [](W& w) { w.ShowSearchPanel(); }},
        {Command::Refresh, {"N26", "Обновить", "N8"}, K(Qt::Key_F5), E::Document, [](W& w) { w.RefillList(true); }},
        {Command::Options, {"N28", "Настройки..", "N8", true}, K(Qt::ALT | Qt::Key_O), E::Document,
         [](W& w) { w.OpenOptions(); }},
        {Command::NextUntranslated, {"N52", "Следующая непереведённая", "N8", true}, K(Qt::CTRL | Qt::Key_J),
         E::Source, [](W& w) { w.GoToUntranslated(true); }},
        {Command::PreviousUntranslated, {"N53", "Предыдущая непереведённая", "N8"},
         K(Qt::CTRL | Qt::SHIFT | Qt::Key_J), E::Source, [](W& w) { w.GoToUntranslated(false); }},

        {Command::ModeOriginal, {"N30", "Оригинальный", "N29"}, K(Qt::CTRL | Qt::Key_O), E::Document,
         [](W& w) { w.SelectMode(zarnik::kModeOriginal); }, {"N45", "Язык - Ориг.", kPopupMenu, true},
         zarnik::kModeOriginal},
        {Command::ModePirate, {"Linear", "Пиратка", "N29"}, K(Qt::CTRL | Qt::Key_P), E::Document,
         [](W& w) { w.SelectMode(zarnik::kModePirate); }, {"N46", "Язык - Пиратка", kPopupMenu}, zarnik::kModePirate},
        {Command::ModeBuka, {"Buka", "Бука", "N29"}, K(Qt::CTRL | Qt::Key_B), E::Document,
         [](W& w) { w.SelectMode(zarnik::kModeBuka); }, {"N47", "Язык - Бука", kPopupMenu}, zarnik::kModeBuka},

        {Command::Readme, {"Readmetxt1", "Readme.txt ..", "N31"}, none, E::Always, [](W& w) { w.ShowReadme(); }},
        {Command::About, {"N32", "О программе..", "N31"}, K(Qt::Key_F1), E::Always, [](W& w) { w.ShowAbout(); }},
    };
    return table;
}

QAction* MainWindow::action(Command command) const
{
    return actions_[static_cast<size_t>(command)];
}

QAction* MainWindow::popupAction(Command command) const
{
    return popupActions_[static_cast<size_t>(command)];
}

QMenu* MainWindow::menuNamed(const char* name)
{
    const QString objectName = QLatin1String(name);
    if (objectName == QLatin1String(kPopupMenu))
        return popupMenu_;
    for (QMenu* menu : findChildren<QMenu*>(objectName))
        return menu;
    const MenuRow* row = findMenu(name);
    const QString title = QString::fromUtf8(row->title);
    QMenu* menu = nullptr;
    if (!row->parent) {
        menu = menuBar()->addMenu(title);
        menu->menuAction()->setObjectName(objectName);
    } else {
        menu = menuNamed(row->parent)->addMenu(title);
        // The submenus of the menu bar are found under their name as items too.
        if (std::strcmp(row->parent, kPopupMenu) != 0)
            menu->menuAction()->setObjectName(objectName);
    }
    menu->setObjectName(objectName);
    return menu;
}

void MainWindow::createMenus()
{
    popupMenu_ = new QMenu(this);
    popupMenu_->setObjectName(QLatin1String(kPopupMenu));
    // Menus exist before their items, so that an empty one still has its place.
    for (const MenuRow& m : kMenus)
        if (!m.parent)
            menuNamed(m.name);

    languageGroup_ = new QActionGroup(this);
    languageGroup_->setExclusive(true);
    for (const CommandRow& row : commandTable()) {
        QMenu* menu = menuNamed(row.item.menu);
        if (row.item.separatorBefore)
            menu->addSeparator();
        auto* action = new QAction(QString::fromUtf8(row.item.caption), this);
        action->setObjectName(QLatin1String(row.item.name));
        action->setShortcut(row.shortcut);
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this, run = row.run] { run(*this); });
        menu->addAction(action);
        addAction(action);  // shortcuts work while the menu bar is closed
        if (row.languageMode) {
            action->setCheckable(true);
            languageGroup_->addAction(action);
        }
        actions_[static_cast<size_t>(row.id)] = action;
    }
    languageGroup_->actions().first()->setChecked(true);
    editMenu_ = menuNamed("N8");
    languageMenu_ = menuNamed("N29");

    // The list's popup menu: twins that run their menu bar item.
    for (const CommandRow& row : commandTable()) {
        if (!row.popup.name)
            continue;
        QMenu* menu = menuNamed(row.popup.menu);
        if (row.popup.separatorBefore)
            menu->addSeparator();
        auto* twin = new QAction(QString::fromUtf8(row.popup.caption), this);
        twin->setObjectName(QLatin1String(row.popup.name));
        connect(twin, &QAction::triggered, action(row.id), &QAction::trigger);
        menu->addAction(twin);
        popupActions_[static_cast<size_t>(row.id)] = twin;
    }
    QAction* editItem = popupAction(Command::Edit);
    QFont bold = editItem->font();
    bold.setBold(true);
    editItem->setFont(bold);  // the default item

    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (session_.isLoaded())
            popupMenu_->popup(list_->viewport()->mapToGlobal(pos));
    });

}

void MainWindow::UpdateMenuState()
{
    const bool loaded = session_.isLoaded();
    for (const CommandRow& row : commandTable()) {
        bool on = true;
        switch (row.enabling) {
        case Enabling::Always: on = true; break;
        case Enabling::Document: on = loaded; break;
        case Enabling::CanUndo: on = loaded && session_.canUndo(); break;
        case Enabling::CanRedo: on = loaded && session_.canRedo(); break;
        case Enabling::Source: on = loaded && source_.isOpen(); break;
        }
        action(row.id)->setEnabled(on);
    }
    editMenu_->menuAction()->setEnabled(loaded);
    languageMenu_->menuAction()->setEnabled(loaded);
}

Command MainWindow::modeCommand(int mode)
{
    for (const CommandRow& row : commandTable())
        if (row.languageMode && row.languageMode == mode)
            return row.id;
    return Command::ModeOriginal;
}
