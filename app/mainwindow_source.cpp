// SPDX-License-Identifier: GPL-3.0-or-later
// "Открыть исходный файл..", "Закрыть исходный файл" and the untranslated entries: the
// window's side of the source column. The source file, its matching and its figures are
// the core's (SourceTexts); here they are shown.
#include "mainwindow.h"

#include "entrylistmodel.h"
#include "entrylistview.h"
#include "platform.h"
#include "searchpanel.h"
#include "storedpath.h"

#include <QCheckBox>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLabel>

namespace {

bool samePath(const QString& a, const QString& b)
{
    return !a.isEmpty() && !b.isEmpty() && QFileInfo(a) == QFileInfo(b);
}

}  // namespace

bool MainWindow::openSource(const QString& path, std::future<zarnik::GxtDocument>* readAhead)
{
    try {
        if (readAhead && readAhead->valid())
            source_.open(readAhead->get());  // what went wrong reading it is thrown here
        else
            source_.open(platform::CorePath(path));
    } catch (const std::exception& e) {
        showFileError(e);
        return false;
    }
    SourcePath = path;
    settings_.sourceFile = StoredPathFrom(path);
    settings_.sourceFor = StoredPathFrom(DocumentPath);
    showSourceColumn();
    return true;
}

void MainWindow::OpenSource()
{
    QString startDir = QFileInfo(DocumentPath).absolutePath();
    if (!SourcePath.isEmpty())
        startDir = QFileInfo(SourcePath).absolutePath();
    const QString chosen = prompts_.openFileName(this, startDir);
    if (chosen.isEmpty())
        return;
    openSource(QFileInfo(chosen).absoluteFilePath());
}

void MainWindow::CloseSource()
{
    source_.close();
    SourcePath.clear();
    // Closed by the user: not to be opened with this document again.
    settings_.sourceFile.clear();
    settings_.sourceFor.clear();
    showSourceColumn();
}

QString MainWindow::rememberedSourceFor(const QString& documentPath) const
{
    const QString remembered = StoredPathTo(settings_.sourceFile);
    return samePath(StoredPathTo(settings_.sourceFor), documentPath) ? remembered : QString();
}

// A translator's start opens a document and its source together: on two cores, two files
// are read in little more than the time of one.
std::future<zarnik::GxtDocument> MainWindow::readSourceAhead(const QString& documentPath) const
{
    const QString source = rememberedSourceFor(documentPath);
    if (source.isEmpty() || (source_.isOpen() && samePath(SourcePath, source)) || !QFileInfo(source).isFile())
        return {};
    return std::async(std::launch::async, [path = platform::CorePath(source)] { return zarnik::LoadGxtFile(path); });
}

void MainWindow::sourceFollowsDocument(std::future<zarnik::GxtDocument> readAhead)
{
    const QString remembered = rememberedSourceFor(DocumentPath);
    if (remembered.isEmpty()) {
        // Another document's source stays remembered for it, but is not shown with this one.
        if (source_.isOpen()) {
            source_.close();
            SourcePath.clear();
            showSourceColumn();
        }
        return;
    }
    if (source_.isOpen() && samePath(SourcePath, remembered))
        return;  // the same document again: matched anew by the core already
    if (!QFileInfo(remembered).isFile()) {
        prompts_.warning(this, QStringLiteral("Исходный файл %1 не найден и закрыт").arg(remembered));
        settings_.sourceFile.clear();
        settings_.sourceFor.clear();
        if (source_.isOpen()) {
            source_.close();
            SourcePath.clear();
            showSourceColumn();
        }
        return;
    }
    if (!openSource(remembered, &readAhead)) {
        // Unreadable now (the error was shown): forgotten, as a missing one is.
        settings_.sourceFile.clear();
        settings_.sourceFor.clear();
    }
}

void MainWindow::showSourceColumn()
{
    const bool wasShown = model_->sourceShown();
    model_->showSource(source_.isOpen());
    if (source_.isOpen()) {
        if (!wasShown) {
            list_->setSourceColumnWidth(settings_.sourceWidth);
            // A selected row does not take in a column added after it was selected.
            if (CurrentIndex >= 0 && CurrentIndex < model_->rows())
                list_->selectionModel()->select(model_->index(CurrentIndex, 0),
                                                QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
        if (settings_.autoSize) {
            list_->refitTextColumn();  // no longer the last column: as wide as its texts
            list_->fitSourceColumn();
        }
    } else if (wasShown && settings_.autoSize) {
        list_->refitTextColumn();  // the last column again
    }
    searchPanel_->inSourceBox()->setEnabled(source_.isOpen());
    UpdateSourcePanel();
    UpdateMenuState();
}

void MainWindow::UpdateSourcePanel()
{
    if (!source_.isOpen()) {
        sourcePanel_->hide();
        sourcePanel_->clear();
        return;
    }
    sourcePanel_->setText(QStringLiteral("Непереведённые: %1 · нет в исходном: %2 · нет в этом файле: %3")
                              .arg(source_.untranslatedCount())
                              .arg(source_.missingInSource())
                              .arg(source_.missingInDocument()));
    sourcePanel_->setToolTip(QStringLiteral("Исходный файл: %1").arg(SourcePath));
    sourcePanel_->show();
}

void MainWindow::GoToUntranslated(bool down)
{
    if (!source_.isOpen())
        return;
    const std::optional<size_t> found = source_.nextUntranslated(CurrentIndex, down);
    if (!found) {
        SetStatus(2, down ? QStringLiteral("Ниже непереведённых строк нет")
                          : QStringLiteral("Выше непереведённых строк нет"));
        return;
    }
    CurrentIndex = static_cast<int>(*found);
    list_->selectionModel()->setCurrentIndex(
        model_->index(CurrentIndex, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    RevealCurrent(false);
    list_->nudge(down ? 25 : -25, CurrentIndex);
    SetStatus(2, QString());
}
