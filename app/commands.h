// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QKeySequence>

class MainWindow;

// Every command of the menu bar, by what it does. The window's table gives each one its
// menu item (object name, caption, place, shortcut), its popup twin, when it is enabled
// and what it runs.
enum class Command {
    Open,
    Save,
    SaveAs,
    ExportTranslation,
    ImportTranslation,
    OpenSource,
    CloseSource,
    Info,
    Exit,
    Undo,
    Redo,
    Edit,
    Copy,
    Paste,
    Clear,
    RecodeCurrentPirateToBuka,
    RecodeCurrentBukaToPirate,
    RecodeAllPirateToBuka,
    RecodeAllBukaToPirate,
    Restore,
    RestoreAll,
    Find,
    Refresh,
    Options,
    NextUntranslated,
    PreviousUntranslated,
    ModeOriginal,
    ModePirate,
    ModeBuka,
    Readme,
    About,
};
inline constexpr int kCommandCount = static_cast<int>(Command::About) + 1;

// When a command's items can be chosen.
// Source: while a source file is shown beside the document.
enum class Enabling { Always, Document, CanUndo, CanRedo, Source };

// One menu (or submenu) the rows below are put into; `parent` is null for a menu of the
// menu bar and for the popup menu itself.
struct MenuRow {
    const char* name;
    const char* title;
    const char* parent;
};

// A place in a menu: the item's object name and caption, the menu it goes into, and
// whether a separator comes first.
struct MenuPlace {
    const char* name = nullptr;
    const char* caption = nullptr;
    const char* menu = nullptr;
    bool separatorBefore = false;
};

struct CommandRow {
    Command id;
    MenuPlace item;
    QKeySequence shortcut;
    Enabling enabling;
    void (*run)(MainWindow&);
    MenuPlace popup = {};  // no name: no twin in the list's popup menu
    int languageMode = 0;  // the mode a language item selects; 0 for other commands
};
