// SPDX-License-Identifier: GPL-3.0-or-later
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "gxtbuilder.h"
#include "windowtest.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

using namespace zarnik::testing;

namespace {

QLineEdit* field(QDialog* d) { return d->findChild<QLineEdit*>(QStringLiteral("Edit1")); }

// QTest::keyClicks takes Latin-1 only; a Cyrillic layout sends the letter's code as key.
void typeKeys(QWidget* widget, const QString& text)
{
    for (QChar ch : text)
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(ch.toUpper().unicode()), QString(ch), Qt::NoModifier);
}

// Ten entries: Latin texts of different lengths, a Buka, a Pirate and an empty one.
std::string tenEntries()
{
    GxtBuilder b('R');
    for (int i = 0; i < 10; ++i)
        b.add("e" + std::to_string(i), i == 2 ? BukaText("Бука") : i == 3 ? PirateText("ПИРАТ")
                                       : i == 4 ? std::string() : "text " + std::string(i + 1, 'x'));
    return b.build();
}

}  // namespace

class EditingTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> w_;
    std::vector<std::string> original_;

    void start(const std::string& bytes)
    {
        w_.reset();
        w_ = startWindow({writeFile("ru.gxt", bytes)});
        original_ = w_->document().currentTexts();
    }
    std::string stored(int i) const { return std::string(w_->document().text(i)); }
    QString row(int i) const { return w_->listModel()->data(w_->listModel()->index(i, 1), Qt::DisplayRole).toString(); }
    size_t records() const { return w_->session().history().size(); }
    void editRow(int i, const QString& text)
    {
        w_->list()->selectRow(i);
        prompts_.dialogHandler = [text](QDialog* d) { field(d)->setText(text); d->accept(); return d->result(); };
        trigger(*w_, Command::Edit);
    }
    void paste(const QString& text) { QGuiApplication::clipboard()->setText(text); trigger(*w_, Command::Paste); }

private slots:
    void init()
    {
        freshFolder();
        start(tenEntries());
    }
    void cleanup() { w_.reset(); dir_.reset(); }

    // F2, typing and Enter in the dialog, then Ctrl+Z and Ctrl+Y, all as key presses.
    void editUndoRedoByKeys()
    {
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        w_->list()->selectRow(7);
        QString shownText;
        prompts_.dialogHandler = [&](QDialog* d) {
            shownText = field(d)->text();
            d->show();
            field(d)->selectAll();
            typeKeys(field(d), QStringLiteral("новый ёж"));
            QTest::keyClick(field(d), Qt::Key_Return);
            return d->result();
        };
        QTest::keyClick(w_->list(), Qt::Key_F2);
        QCOMPARE(shownText, QStringLiteral("text xxxxxxxx"));
        QCOMPARE(stored(7), BukaText("новый еж"));
        QCOMPARE(row(7), QStringLiteral("новый еж"));
        QCOMPARE(w_->statusText(1), QStringLiteral("8/10 (8)"));

        w_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
        QTest::keyClick(w_->list(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(stored(7), original_[7]);
        QCOMPARE(w_->statusText(1), QStringLiteral("8/10 (13)"));  // the restored text's length
        QTest::keyClick(w_->list(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(w_->statusText(1), QStringLiteral("8/10 (8)"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Действие повторено"));

        // Enter, double click and the popup item open the dialog too, where it was last
        // left; its cancel button changes nothing, not even the status.
        QPoint placed;
        prompts_.dialogHandler = [&](QDialog* d) {
            placed = d->pos();
            d->show();
            d->move(100, 50);
            d->setResult(QDialog::Accepted);
            d->findChild<QPushButton*>(QStringLiteral("Button2"))->click();
            return d->result();
        };
        QTest::keyClick(w_->list(), Qt::Key_Return);
        const QPoint onRow = w_->list()->visualRect(w_->listModel()->index(7, 1)).center();
        QTest::mouseClick(w_->list()->viewport(), Qt::LeftButton, {}, onRow);
        QTest::mouseDClick(w_->list()->viewport(), Qt::LeftButton, {}, onRow);
        w_->popupAction(Command::Edit)->trigger();
        QCOMPARE(prompts_.dialogsRun, 4);
        QCOMPARE(placed, QPoint(100, 50));
        QCOMPARE(w_->statusText(2), QStringLiteral("Действие повторено"));
        QCOMPARE(records(), size_t(1));
    }

    void undoFollowsTheRecordedEntriesUntilAWholeDocumentCommand()
    {
        editRow(5, QStringLiteral("пять"));
        editRow(9, QStringLiteral("девять"));
        // Records hold stored bytes, so a mode switch between change and undo is harmless.
        trigger(*w_, Command::ModePirate);
        trigger(*w_, Command::Undo);
        trigger(*w_, Command::Undo);
        QCOMPARE(stored(5), original_[5]);
        QCOMPARE(w_->currentIndex(), 5);
        QVERIFY(!action(*w_, Command::Undo)->isEnabled());
        trigger(*w_, Command::Redo);
        QCOMPARE(stored(5), BukaText("пять"));
        // A new change drops what could still be redone.
        editRow(1, QStringLiteral("один"));
        QVERIFY(!action(*w_, Command::Redo)->isEnabled());
        QCOMPARE(records(), size_t(2));
        // Undo back to the saved state still counts as a change.
        trigger(*w_, Command::Save);
        trigger(*w_, Command::Undo);
        QVERIFY(w_->isModified());
        // The whole-document commands empty the history.
        editRow(1, QStringLiteral("раз"));
        prompts_.confirmAnswers = {false};
        trigger(*w_, Command::RestoreAll);
        QCOMPARE(prompts_.texts(MessageKind::Confirm).size(), 1);
        QCOMPARE(stored(1), PirateText("РАЗ"));
        trigger(*w_, Command::RestoreAll);
        QCOMPARE(w_->document().currentTexts(), original_);
        QCOMPARE(records(), size_t(0));
        QVERIFY(w_->isModified());
        editRow(1, QStringLiteral("три"));
        trigger(*w_, Command::RecodeAllBukaToPirate);
        QCOMPARE(stored(1), PirateText("ТРИ"));
        QCOMPARE(stored(2), PirateText("БУКА"));
        QVERIFY(!action(*w_, Command::Undo)->isEnabled() && !action(*w_, Command::Redo)->isEnabled());
    }

    void historyKeepsTheFirstThousandChanges()
    {
        w_->list()->selectRow(0);
        for (int i = 1; i <= 1001; ++i)
            paste(QString::number(i));
        QCOMPARE(records(), size_t(1000));
        for (int i = 0; i < 1000; ++i)
            trigger(*w_, Command::Undo);
        QCOMPARE(stored(0), original_[0]);
        for (int i = 0; i < 1000; ++i)
            trigger(*w_, Command::Redo);
        QCOMPARE(stored(0), std::string("1001"));
        trigger(*w_, Command::Undo);
        QCOMPARE(stored(0), std::string("999"));  // the 1001st change was not recorded
        // A full history does not even drop its redo part for a change.
        paste(QStringLiteral("x"));
        QCOMPARE(records(), size_t(1000));
        QVERIFY(action(*w_, Command::Redo)->isEnabled());
    }

    // Pasted text fits the encoding as typed text does: Buka has no Ё, Pirate only
    // capitals, and a NUL ends it.
    void pasteIsTreatedLikeTypingAndCopyShowsTheDisplayForm()
    {
        w_->list()->selectRow(1);
        paste(QStringLiteral("ёлка\nЁж 日") + QChar(u'\0') + QStringLiteral("хвост"));
        QCOMPARE(stored(1), BukaText("елка\nЕж ?"));
        w_->list()->selectRow(2);
        trigger(*w_, Command::Copy);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Бука"));

        trigger(*w_, Command::ModePirate);
        w_->list()->selectRow(0);
        paste(QStringLiteral("привет, ёж"));
        QCOMPARE(stored(0), PirateText("ПРИВЕТ, ЕЖ"));

        // Nothing to paste: nothing happens, not even a message.
        QGuiApplication::clipboard()->clear();
        trigger(*w_, Command::Paste);
        paste(QString(QChar(u'\0')) + QStringLiteral("abc"));
        QCOMPARE(records(), size_t(2));
        QVERIFY(prompts_.asked.isEmpty());

        // Confirming without a change still counts, and a long text comes back whole.
        const std::string longText(40000, 'A');
        paste(QString::fromLatin1(longText));
        prompts_.dialogHandler = [](QDialog* d) { d->accept(); return d->result(); };
        trigger(*w_, Command::Edit);
        QCOMPARE(stored(0), longText);
        QCOMPARE(records(), size_t(4));
    }

    void clearRestoreAndRecodeCurrentOnlyWithACurrentEntry()
    {
        w_->list()->selectRow(4);
        trigger(*w_, Command::Clear);  // already empty: nothing at all
        QVERIFY(!w_->isModified());
        w_->list()->selectRow(1);
        trigger(*w_, Command::Clear);
        QCOMPARE(stored(1), std::string());
        trigger(*w_, Command::Restore);
        QCOMPARE(stored(1), original_[1]);
        trigger(*w_, Command::Restore);  // already the loaded text: recorded all the same
        QCOMPARE(records(), size_t(3));
        w_->list()->selectRow(3);
        trigger(*w_, Command::RecodeCurrentPirateToBuka);
        QCOMPARE(stored(3), BukaText("ПИРАТ"));
        trigger(*w_, Command::RecodeCurrentBukaToPirate);
        QCOMPARE(stored(3), PirateText("ПИРАТ"));
        // No bytes of the source encoding: nothing at all.
        w_->list()->selectRow(0);
        trigger(*w_, Command::RecodeCurrentPirateToBuka);
        trigger(*w_, Command::RecodeCurrentBukaToPirate);
        QCOMPARE(records(), size_t(5));

        // Without a current entry only undo and redo act.
        w_->list()->selectionModel()->clearSelection();
        const auto before = w_->document().currentTexts();
        QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
        w_->SetStatus(2, QStringLiteral("before"));
        for (Command c : {Command::Edit, Command::Copy, Command::Paste, Command::Clear,
                          Command::RecodeCurrentPirateToBuka, Command::RecodeCurrentBukaToPirate,
                          Command::Restore})
            trigger(*w_, c);
        QCOMPARE(w_->document().currentTexts(), before);
        QCOMPARE(prompts_.dialogsRun, 0);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("clip"));
        QCOMPARE(w_->statusText(2), QStringLiteral("before"));
        trigger(*w_, Command::Undo);
        QCOMPARE(stored(3), BukaText("ПИРАТ"));

        // A file without entries has no current entry either.
        start(GxtBuilder('R').build());
        for (Command c : {Command::Edit, Command::Copy, Command::Paste, Command::Clear,
                          Command::RecodeCurrentPirateToBuka, Command::RecodeCurrentBukaToPirate,
                          Command::Restore, Command::Undo, Command::Redo})
            trigger(*w_, c);
        QVERIFY(!w_->isModified());
    }
};

QTEST_MAIN(EditingTest)
#include "tst_editing.moc"
