// The commands that change texts, and the undo history behind them.

#include "mainwindow.h"

#include "editdialog.h"
#include "encodings.h"
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
    return CurrentIndex >= 0 && static_cast<size_t>(CurrentIndex) < doc_.Count()
           && CurrentIndex < model_->rows();
}

void MainWindow::changeCurrentText(std::optional<zarnik::Text> stored, const zarnik::Text& shown,
                                   const QString& status, bool updatePosition)
{
    PushUndo();
    if (stored)
        doc_.setText(CurrentIndex, std::move(*stored));
    else
        doc_.restoreText(CurrentIndex);
    model_->setRowText(CurrentIndex, shown);
    SetStatus(2, status);
    SetModified(true);
    if (updatePosition)
        UpdatePositionPanel();
}

zarnik::Text MainWindow::typedText(const QString& text) const
{
    zarnik::Text bytes = QStringToCp1251(text);
    // Neither encoding has a slot for "ё", and Pirate has no lower case at all.
    for (char& c : bytes) {
        if (c == '\xB8')
            c = '\xE5';
        else if (c == '\xA8')
            c = '\xC5';
    }
    if (displayMode() == zarnik::kModePirate)
        zarnik::UpperNoYo(bytes);
    return bytes;
}

void MainWindow::Edit()
{
    if (!hasCurrentEntry())
        return;
    const QString keptStatus = statusText(2);
    SetStatus(2, QStringLiteral("Введите строку"));

    EditDialog dialog(this);
    dialog.setText(Cp1251ToQString(ToDisplay(zarnik::Text(doc_.text(CurrentIndex)))));
    dialog.move(editLeft_, editTop_);
    dialog.resize(editWidth_, dialog.height());
    const bool confirmed = prompts_.execDialog(&dialog) == QDialog::Accepted;
    editTop_ = dialog.y();
    editLeft_ = dialog.x();
    editWidth_ = dialog.width();

    if (!confirmed || !hasCurrentEntry()) {
        SetStatus(2, keptStatus);
        return;
    }
    // A confirmed dialog is a change even when the text is the same.
    const zarnik::Text shown = typedText(dialog.text());
    changeCurrentText(ToStorage(shown), shown, QStringLiteral("Строка изменена"), true);
}

void MainWindow::Copy()
{
    if (!hasCurrentEntry())
        return;
    QGuiApplication::clipboard()->setText(Cp1251ToQString(ToDisplay(zarnik::Text(doc_.text(CurrentIndex)))));
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
    const zarnik::Text shown = typedText(text);
    changeCurrentText(ToStorage(shown), shown, QStringLiteral("Строка вставлена"), true);
}

void MainWindow::Clear()
{
    if (!hasCurrentEntry() || doc_.text(CurrentIndex).empty())
        return;
    changeCurrentText(zarnik::Text(), {}, QStringLiteral("Строка стёрта"), true);
}

void MainWindow::Restore()
{
    if (!hasCurrentEntry())
        return;
    // The entry goes back to sharing its loaded text rather than holding a copy of it.
    const zarnik::Text shown = ToDisplay(zarnik::Text(doc_.loadedText(CurrentIndex)));
    changeCurrentText(std::nullopt, shown, QStringLiteral("Строка восстановлена"), true);
}

void MainWindow::RestoreAll()
{
    if (!prompts_.confirm(this, QStringLiteral("Это восстановит все строки! Отменить\n"
                                               "будет нельзя. Всё равно продолжить?")))
        return;
    ClearUndo();
    zarnik::RestoreAllTexts(doc_);
    SetStatus(2, QStringLiteral("Файл восстановлен"));
    SetModified(true);
    RefillList(true);
}

void MainWindow::RecodeCurrentPirateToBuka()
{
    recodeCurrent(zarnik::IsPirateText, zarnik::RecodePirateToBuka);
}

void MainWindow::RecodeCurrentBukaToPirate()
{
    recodeCurrent(zarnik::IsBukaText, zarnik::RecodeBukaToPirate);
}

// A text without a byte of the source encoding is left alone, and nothing is recorded.
void MainWindow::recodeCurrent(bool (*holdsSource)(std::string_view), void (*recode)(zarnik::Text&))
{
    if (!hasCurrentEntry() || !holdsSource(doc_.text(CurrentIndex)))
        return;
    zarnik::Text t(doc_.text(CurrentIndex));
    recode(t);
    const zarnik::Text shown = ToDisplay(t);
    changeCurrentText(std::move(t), shown, QStringLiteral("Кодировка изменена"), false);
}

void MainWindow::RecodeAllPirateToBuka()
{
    ClearUndo();
    zarnik::RecodeAllPirateToBuka(doc_);
    RefillList(true);
    SetStatus(2, QStringLiteral("Кодировка файла изменена"));
    SetModified(true);
}

void MainWindow::RecodeAllBukaToPirate()
{
    ClearUndo();
    zarnik::RecodeAllBukaToPirate(doc_);
    RefillList(true);
    SetStatus(2, QStringLiteral("Кодировка файла изменена"));
    SetModified(true);
}

// ---- undo and redo

void MainWindow::PushUndo()
{
    UndoHistory_.push(std::string(doc_.text(CurrentIndex)), CurrentIndex);
    UpdateMenuState();
}

void MainWindow::Undo()
{
    swapWithRecord(UndoHistory_.stepBack(), QStringLiteral("Действие отменено"));
}

void MainWindow::Redo()
{
    swapWithRecord(UndoHistory_.stepForward(), QStringLiteral("Действие повторено"));
}

// One record serves both directions: its text and the entry's present text change places.
void MainWindow::swapWithRecord(UndoHistory::Record* r, const QString& status)
{
    if (!r)
        return;
    if (r->index >= 0 && static_cast<size_t>(r->index) < doc_.Count()) {
        doc_.swapText(r->index, r->text);
        showUndoneEntry(r->index);
    }
    SetStatus(2, status);
    SetModified(true);
    UpdateMenuState();
}

void MainWindow::showUndoneEntry(int index)
{
    CurrentIndex = index;
    model_->setRowText(index, ToDisplay(zarnik::Text(doc_.text(index))));
    list_->selectionModel()->setCurrentIndex(
        model_->index(index, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->setFocus();
    RevealCurrent(false);
    // Selecting a row that was already selected raises no event, so the length of the
    // changed text has to be put into the panel here.
    UpdatePositionPanel();
}
