// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that change texts: dialog and clipboard glue around one call on the session.

#include "mainwindow.h"

#include "editdialog.h"
#include "text/encodings.h"
#include "entrylistmodel.h"
#include "entrylistview.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QItemSelectionModel>
#include <QMimeData>

#include <utility>

bool MainWindow::hasCurrentEntry() const
{
    // The selection can be cleared by a click below the last row, and a file may hold no
    // entries at all: then there is nothing for a single-entry command to act on.
    return CurrentIndex >= 0 && static_cast<size_t>(CurrentIndex) < session_.count()
           && CurrentIndex < model_->rows();
}

void MainWindow::storeTyped(const QString& text, const QString& status)
{
    session_.setTypedText(static_cast<size_t>(CurrentIndex), QStringToCp1251(text), displayMode());
    SetStatus(2, status);
}

void MainWindow::Edit()
{
    if (!hasCurrentEntry())
        return;
    const QString keptStatus = statusText(2);
    SetStatus(2, QStringLiteral("Введите строку"));

    EditDialog dialog(this);
    dialog.setText(Cp1251ToQString(ToDisplay(zarnik::Text(session_.text(CurrentIndex)))));
    if (source_.isOpen())
        dialog.showSourceText(Cp1251ToQString(source_.displayText(CurrentIndex)),
                              source_.storedText(CurrentIndex).has_value());
    dialog.move(settings_.editLeft, settings_.editTop);
    dialog.resize(settings_.editWidth, dialog.height());
    const bool confirmed = prompts_.execDialog(&dialog) == QDialog::Accepted;
    settings_.editTop = dialog.y();
    settings_.editLeft = dialog.x();
    settings_.editWidth = dialog.width();

    if (!confirmed || !hasCurrentEntry()) {
        SetStatus(2, keptStatus);
        return;
    }
    // A confirmed dialog is a change even when the text is the same.
    storeTyped(dialog.text(), QStringLiteral("Строка изменена"));
}

void MainWindow::Copy()
{
    if (!hasCurrentEntry())
        return;
    QGuiApplication::clipboard()->setText(Cp1251ToQString(ToDisplay(zarnik::Text(session_.text(CurrentIndex)))));
    SetStatus(2, QStringLiteral("Строка скопирована"));
}

void MainWindow::Paste()
{
    if (!hasCurrentEntry())
        return;
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    if (!data || !data->hasText())
        return;
    QString text = data->text();
    if (const qsizetype zero = text.indexOf(QChar(u'\0')); zero >= 0)
        text.truncate(zero);
    if (text.isEmpty())
        return;
    // Pasted text is treated like typed text, line breaks and all.
    storeTyped(text, QStringLiteral("Строка вставлена"));
}

void MainWindow::Clear()
{
    if (hasCurrentEntry() && session_.clearText(CurrentIndex))
        SetStatus(2, QStringLiteral("Строка стёрта"));
}

void MainWindow::Restore()
{
    if (hasCurrentEntry() && session_.restoreText(CurrentIndex))
        SetStatus(2, QStringLiteral("Строка восстановлена"));
}

void MainWindow::RestoreAll()
{
    if (!prompts_.confirm(this, QStringLiteral("Это восстановит все строки! Отменить\n"
                                               "будет нельзя. Всё равно продолжить?")))
        return;
    session_.restoreAll();
    SetStatus(2, QStringLiteral("Файл восстановлен"));
}

// A text without a byte of the source encoding is left alone, and nothing is recorded.
void MainWindow::RecodeCurrent(zarnik::RecodeDirection direction)
{
    if (hasCurrentEntry() && session_.recodeText(CurrentIndex, direction))
        SetStatus(2, QStringLiteral("Кодировка изменена"));
}

void MainWindow::RecodeAll(zarnik::RecodeDirection direction)
{
    session_.recodeAll(direction);
    SetStatus(2, QStringLiteral("Кодировка файла изменена"));
}

// ---- undo and redo

void MainWindow::Undo()
{
    if (const auto index = session_.undo()) {
        showUndoneEntry(*index);
        SetStatus(2, QStringLiteral("Действие отменено"));
    }
}

void MainWindow::Redo()
{
    if (const auto index = session_.redo()) {
        showUndoneEntry(*index);
        SetStatus(2, QStringLiteral("Действие повторено"));
    }
}

void MainWindow::showUndoneEntry(size_t index)
{
    CurrentIndex = static_cast<int>(index);
    list_->selectionModel()->setCurrentIndex(
        model_->index(CurrentIndex, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->setFocus();
    RevealCurrent(false);
    // Selecting a row that was already selected raises no event, so the length of the
    // changed text has to be put into the panel here.
    UpdatePositionPanel();
}
