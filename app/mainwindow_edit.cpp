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
    return CurrentIndex >= 0 && static_cast<size_t>(CurrentIndex) < doc_.CurrentTexts.size()
           && CurrentIndex < model_->rows();
}

void MainWindow::changeCurrentText(zarnik::Text stored, const zarnik::Text& shown,
                                   const QString& status, bool updatePosition)
{
    PushUndo();
    doc_.CurrentTexts[CurrentIndex] = std::move(stored);
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
    dialog.setText(Cp1251ToQString(ToDisplay(doc_.CurrentTexts[CurrentIndex])));
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
    QGuiApplication::clipboard()->setText(Cp1251ToQString(ToDisplay(doc_.CurrentTexts[CurrentIndex])));
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
    if (!hasCurrentEntry() || doc_.CurrentTexts[CurrentIndex].empty())
        return;
    changeCurrentText({}, {}, QStringLiteral("Строка стёрта"), true);
}

void MainWindow::Restore()
{
    if (!hasCurrentEntry())
        return;
    zarnik::Text loaded = doc_.LoadedTexts[CurrentIndex];
    const zarnik::Text shown = ToDisplay(loaded);
    changeCurrentText(std::move(loaded), shown, QStringLiteral("Строка восстановлена"), true);
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
    if (!hasCurrentEntry() || !holdsSource(doc_.CurrentTexts[CurrentIndex]))
        return;
    zarnik::Text t = doc_.CurrentTexts[CurrentIndex];
    recode(t);
    const zarnik::Text shown = ToDisplay(t);
    changeCurrentText(std::move(t), shown, QStringLiteral("Кодировка изменена"), false);
}

void MainWindow::RecodeAllPirateToBuka()
{
    ClearUndo();
    zarnik::RecodeAll(doc_, zarnik::RecodeDirection::PirateToBuka);
    RefillList(true);
    SetStatus(2, QStringLiteral("Кодировка файла изменена"));
    SetModified(true);
}

void MainWindow::RecodeAllBukaToPirate()
{
    ClearUndo();
    zarnik::RecodeAll(doc_, zarnik::RecodeDirection::BukaToPirate);
    RefillList(true);
    SetStatus(2, QStringLiteral("Кодировка файла изменена"));
    SetModified(true);
}

// ---- undo and redo

void MainWindow::PushUndo()
{
    UndoHistory_.push(doc_.CurrentTexts[CurrentIndex], CurrentIndex);
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
    if (r->index >= 0 && static_cast<size_t>(r->index) < doc_.CurrentTexts.size()) {
        std::swap(r->text, doc_.CurrentTexts[r->index]);
        showUndoneEntry(r->index);
    }
    SetStatus(2, status);
    SetModified(true);
    UpdateMenuState();
}

void MainWindow::showUndoneEntry(int index)
{
    CurrentIndex = index;
    model_->setRowText(index, ToDisplay(doc_.CurrentTexts[index]));
    list_->selectionModel()->setCurrentIndex(
        model_->index(index, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    list_->setFocus();
    RevealCurrent(false);
    // Selecting a row that was already selected raises no event, so the length of the
    // changed text has to be put into the panel here.
    UpdatePositionPanel();
}
