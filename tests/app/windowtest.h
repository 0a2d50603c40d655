// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "commands.h"
#include "fakeprompts.h"
#include "mainwindow.h"
#include "programdirectory.h"
#include "tempdir.h"

#include <QAction>
#include <QObject>
#include <QStringList>

#include <memory>
#include <string>

// What every window test starts from: a fresh program folder, scripted prompts, windows
// started over that folder, and commands reached by what they do.
class WindowTest : public QObject {
protected:
    std::unique_ptr<zarnik::testing::TempDir> dir_;
    FakePrompts prompts_;

    // A new folder and new prompts. The folder gets an empty Settings.ini unless told
    // otherwise, since a first start warns without one.
    void freshFolder(bool withSettings = true)
    {
        dir_ = std::make_unique<zarnik::testing::TempDir>();
        prompts_ = FakePrompts();
        if (withSettings)
            zarnik::testing::WriteFileBytes(dir_->file("Settings.ini"), "");
    }
    QString dirPath() const { return QString::fromStdString(dir_->path()); }
    QString path(const char* name) const { return QString::fromStdString(dir_->file(name)); }
    QString writeFile(const char* name, const std::string& bytes) const
    {
        zarnik::testing::WriteFileBytes(dir_->file(name), bytes);
        return path(name);
    }
    // A shown window started with `args` as its command line, over the test's folder.
    std::unique_ptr<MainWindow> startWindow(const QStringList& args = {})
    {
        return startWindowIn(ProgramDirectory(dirPath()), args);
    }
    std::unique_ptr<MainWindow> startWindowIn(const ProgramDirectory& folder, const QStringList& args = {})
    {
        auto w = std::make_unique<MainWindow>(prompts_, folder, args);
        w->show();
        return w;
    }

    static QAction* action(const MainWindow& w, Command command) { return w.action(command); }
    static void trigger(MainWindow& w, Command command) { w.action(command)->trigger(); }
    // An unsaved change that leaves every text as it was (the document needs an entry).
    static void makeUnsaved(MainWindow& w) { w.session().restoreText(0); }
};
