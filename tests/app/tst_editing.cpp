#include "cp1251.h"
#include "editdialog.h"
#include "encodings.h"
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "fakeprompts.h"
#include "gxtbuilder.h"
#include "mainwindow.h"
#include "tempdir.h"

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
        QTest::sendKeyEvent(QTest::Click, widget, Qt::Key(ch.toUpper().unicode()), QString(ch),
                            Qt::NoModifier);
}

// Ten entries: Latin texts of different lengths, a Buka, a Pirate and an empty one.
std::string tenEntries()
{
    GxtBuilder b('R');
    for (int i = 0; i < 10; ++i) {
        std::string text = "text " + std::string(i + 1, 'x');
        if (i == 2) text = BukaText("Бука");
        if (i == 3) text = PirateText("ПИРАТ");
        if (i == 4) text.clear();
        b.add("e" + std::to_string(i), text);
    }
    return b.build();
}

}  // namespace

class EditingTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<MainWindow> w_;
    std::vector<std::string> original_;

    void start(const std::string& bytes)
    {
        w_.reset();
        const std::string file = dir_->file("ru.gxt");
        WriteFileBytes(file, bytes);
        w_ = std::make_unique<MainWindow>(*prompts_, ProgramDirectory(QString::fromStdString(dir_->path())),
                                          QStringList{QString::fromStdString(file)});
        w_->show();
        original_ = w_->document().CurrentTexts;
    }
    QAction* action(const char* name) const { return w_->findChild<QAction*>(QLatin1String(name)); }
    const std::string& stored(int i) const { return w_->document().CurrentTexts[i]; }
    QString row(int i) const
    {
        return w_->listModel()->data(w_->listModel()->index(i, 1), Qt::DisplayRole).toString();
    }
    size_t records() const { return w_->undoHistory().size(); }
    // Confirms the edit dialog with `text` typed over the old one.
    void answerDialogWith(const QString& text)
    {
        prompts_->dialogHandler = [text](QDialog* d) {
            field(d)->setText(text);
            d->accept();
            return d->result();
        };
    }
    void editRow(int i, const QString& text)
    {
        w_->list()->selectRow(i);
        answerDialogWith(text);
        action("N12")->trigger();
    }
    void paste(const QString& text)
    {
        QGuiApplication::clipboard()->setText(text);
        action("N14")->trigger();
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        WriteFileBytes(dir_->file("Settings.ini"), "");  // a first start would warn without one
        prompts_ = std::make_unique<FakePrompts>();
        start(tenEntries());
    }
    void cleanup()
    {
        w_.reset();
        prompts_.reset();
        dir_.reset();
    }

    void dialogLaysOutAndDropsYo()
    {
        EditDialog d;
        d.show();
        QCOMPARE(d.objectName(), QStringLiteral("TForm2"));
        QCOMPARE(d.windowTitle(), QStringLiteral("Правка строки"));
        auto* yes = d.findChild<QPushButton*>(QStringLiteral("Button1"));
        auto* no = d.findChild<QPushButton*>(QStringLiteral("Button2"));
        QCOMPARE(yes->text(), QStringLiteral("Да"));
        QCOMPARE(no->text(), QStringLiteral("Отмена"));
        QVERIFY(yes->isDefault());

        d.resize(200, 300);
        QTRY_COMPARE(d.width(), 430);
        QCOMPARE(d.height(), 103);
        d.resize(600, 103);
        QTRY_COMPARE(field(&d)->width(), 570);
        QCOMPARE(yes->x(), 418);
        QCOMPARE(no->x(), 506);

        d.setText(QStringLiteral("Ёжик и ёлка"));
        QTest::keyClick(field(&d), Qt::Key_Return);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        QCOMPARE(d.text(), QStringLiteral("Ежик и елка"));

        d.show();
        QTest::keyClick(field(&d), Qt::Key_Escape);
        QCOMPARE(d.result(), int(QDialog::Rejected));
        d.show();
        d.setResult(QDialog::Accepted);
        no->click();
        QCOMPARE(d.result(), int(QDialog::Rejected));
    }

    // F2, typing and Enter in the dialog, then Ctrl+Z and Ctrl+Y, all as key presses;
    // Enter, double click and the popup item open the same dialog.
    void editUndoRedoByKeys()
    {
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        w_->list()->selectRow(7);
        QCOMPARE(w_->statusText(1), QStringLiteral("8/10 (13)"));
        QString shownText, statusMeanwhile;
        prompts_->dialogHandler = [&](QDialog* d) {
            shownText = field(d)->text();
            statusMeanwhile = w_->statusText(2);
            d->show();
            field(d)->selectAll();
            typeKeys(field(d), QStringLiteral("новый ёж"));
            QTest::keyClick(field(d), Qt::Key_Return);
            return d->result();
        };
        QTest::keyClick(w_->list(), Qt::Key_F2);
        QCOMPARE(prompts_->dialogsRun, 1);
        QCOMPARE(shownText, QStringLiteral("text xxxxxxxx"));
        QCOMPARE(statusMeanwhile, QStringLiteral("Введите строку"));
        QCOMPARE(stored(7), BukaText("новый еж"));
        QCOMPARE(row(7), QStringLiteral("новый еж"));
        QCOMPARE(w_->statusText(1), QStringLiteral("8/10 (8)"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Строка изменена"));
        QVERIFY(w_->windowTitle().endsWith(QLatin1Char('*')));
        QVERIFY(action("N9")->isEnabled());
        QVERIFY(!action("N10")->isEnabled());

        w_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
        QTest::keyClick(w_->list(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(stored(7), original_[7]);
        QCOMPARE(w_->statusText(2), QStringLiteral("Действие отменено"));
        QCOMPARE(w_->statusText(1), QStringLiteral("8/10 (13)"));  // the restored text's length
        QVERIFY(!action("N9")->isEnabled());
        QVERIFY(action("N10")->isEnabled());

        QTest::keyClick(w_->list(), Qt::Key_Y, Qt::ControlModifier);
        QCOMPARE(stored(7), BukaText("новый еж"));
        QCOMPARE(row(7), QStringLiteral("новый еж"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Действие повторено"));
        QCOMPARE(w_->statusText(1), QStringLiteral("8/10 (8)"));
        QVERIFY(!action("N10")->isEnabled());

        prompts_->dialogHandler = nullptr;  // cancel
        QTest::keyClick(w_->list(), Qt::Key_Return);
        const QPoint onRow = w_->list()->visualRect(w_->listModel()->index(7, 1)).center();
        QTest::mouseClick(w_->list()->viewport(), Qt::LeftButton, {}, onRow);
        QTest::mouseDClick(w_->list()->viewport(), Qt::LeftButton, {}, onRow);
        action("N33")->trigger();
        QCOMPARE(prompts_->dialogsRun, 4);
        QCOMPARE(records(), size_t(1));
    }

    void undoFollowsTheRecordedEntries()
    {
        editRow(5, QStringLiteral("пять"));
        editRow(9, QStringLiteral("девять"));
        // Records hold stored bytes, so a mode switch between change and undo is harmless.
        action("Linear")->trigger();
        action("N9")->trigger();
        action("N9")->trigger();
        QCOMPARE(stored(5), original_[5]);
        QCOMPARE(stored(9), original_[9]);
        QCOMPARE(w_->currentIndex(), 5);
        QCOMPARE(w_->list()->selectionModel()->selectedRows().size(), 1);
        QCOMPARE(w_->list()->selectionModel()->selectedRows().first().row(), 5);
        QVERIFY(!action("N9")->isEnabled());
        QVERIFY(action("N10")->isEnabled());

        action("N10")->trigger();
        QCOMPARE(stored(5), BukaText("пять"));
        QVERIFY(action("N10")->isEnabled());
        // A new change drops what could still be redone.
        editRow(1, QStringLiteral("ОДИН"));
        QVERIFY(!action("N10")->isEnabled());
        QCOMPARE(records(), size_t(2));
        QCOMPARE(stored(1), PirateText("ОДИН"));

        // Undo back to the saved state still counts as a change.
        action("N3")->trigger();
        QVERIFY(!w_->isModified());
        action("N9")->trigger();
        QCOMPARE(stored(1), original_[1]);
        QVERIFY(w_->isModified());
        QVERIFY(w_->windowTitle().endsWith(QLatin1Char('*')));
    }

    void historyKeepsTheFirstThousandChanges()
    {
        w_->list()->selectRow(0);
        for (int i = 1; i <= 1001; ++i)
            paste(QString::number(i));
        QCOMPARE(stored(0), std::string("1001"));
        QCOMPARE(records(), size_t(1000));
        action("N9")->trigger();
        QCOMPARE(stored(0), std::string("999"));  // the 1001st change was not recorded
        for (int i = 0; i < 999; ++i)
            action("N9")->trigger();
        QCOMPARE(stored(0), original_[0]);
        QVERIFY(!action("N9")->isEnabled());
        for (int i = 0; i < 1000; ++i)
            action("N10")->trigger();
        QCOMPARE(stored(0), std::string("1001"));
        QVERIFY(!action("N10")->isEnabled());

        // A full history does not even drop its redo part for a change.
        action("N9")->trigger();
        paste(QStringLiteral("x"));
        QCOMPARE(stored(0), std::string("x"));
        QCOMPARE(records(), size_t(1000));
        QVERIFY(action("N10")->isEnabled());
    }

    void wholeDocumentCommandsEmptyTheHistory()
    {
        editRow(1, QStringLiteral("раз"));
        prompts_->confirmAnswers = {false};
        action("N23")->trigger();
        QCOMPARE(prompts_->texts(MessageKind::Confirm),
                 QStringList{QStringLiteral("Это восстановит все строки! Отменить\n"
                                            "будет нельзя. Всё равно продолжить?")});
        QCOMPARE(prompts_->asked.last().caption, QStringLiteral("Внимание"));
        QCOMPARE(stored(1), BukaText("раз"));
        QCOMPARE(records(), size_t(1));

        action("N23")->trigger();
        QCOMPARE(w_->document().CurrentTexts, original_);
        QCOMPARE(row(1), QStringLiteral("text xx"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Файл восстановлен"));
        QCOMPARE(records(), size_t(0));
        QVERIFY(!action("N9")->isEnabled() && !action("N10")->isEnabled());
        QVERIFY(w_->isModified());

        editRow(1, QStringLiteral("два"));
        action("N20")->trigger();
        QCOMPARE(stored(3), BukaText("ПИРАТ"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Кодировка файла изменена"));
        QCOMPARE(records(), size_t(0));
        QVERIFY(!action("N9")->isEnabled());

        editRow(1, QStringLiteral("три"));
        action("N21")->trigger();
        QCOMPARE(stored(2), PirateText("БУКА"));
        QCOMPARE(stored(1), PirateText("ТРИ"));
        QCOMPARE(records(), size_t(0));
        QVERIFY(!action("N9")->isEnabled());
    }

    void cancellingKeepsTheStatusAndThePlace()
    {
        w_->list()->selectRow(0);
        action("N13")->trigger();
        QCOMPARE(w_->statusText(2), QStringLiteral("Строка скопирована"));
        QRect placed;
        prompts_->dialogHandler = [&](QDialog* d) {
            placed = QRect(d->x(), d->y(), d->width(), 0);
            d->move(100, 50);
            d->resize(650, d->height());
            field(d)->setText(QStringLiteral("не то"));
            return int(QDialog::Rejected);
        };
        action("N12")->trigger();
        QCOMPARE(placed, QRect(360, 480, 500, 0));
        QCOMPARE(w_->statusText(2), QStringLiteral("Строка скопирована"));
        QCOMPARE(stored(0), original_[0]);
        QCOMPARE(records(), size_t(0));
        QVERIFY(!w_->isModified());

        action("N12")->trigger();
        QCOMPARE(placed, QRect(100, 50, 650, 0));
    }

    void typedTextFitsTheEncoding()
    {
        action("Linear")->trigger();
        editRow(0, QStringLiteral("привет"));
        QCOMPARE(stored(0), PirateText("ПРИВЕТ"));
        QCOMPARE(row(0), QStringLiteral("ПРИВЕТ"));

        action("Buka")->trigger();
        editRow(1, QStringLiteral("ёлка"));
        QCOMPARE(stored(1), BukaText("елка"));

        // Confirming without a change still counts, and a long text comes back whole.
        const std::string longText(40000, 'a');
        w_->list()->selectRow(6);
        paste(QString::fromLatin1(longText));
        prompts_->dialogHandler = [](QDialog* d) { d->accept(); return d->result(); };
        action("N12")->trigger();
        QCOMPARE(stored(6), longText);
        QCOMPARE(records(), size_t(4));
        QCOMPARE(w_->statusText(2), QStringLiteral("Строка изменена"));
    }

    void pasteIsTreatedLikeTypingAndCopyShowsTheDisplayForm()
    {
        w_->list()->selectRow(1);
        paste(QStringLiteral("ёлка\nЁж 日") + QChar(u'\0') + QStringLiteral("хвост"));
        QCOMPARE(stored(1), BukaText("елка\nЕж ?"));
        QCOMPARE(row(1), QStringLiteral("елка"));
        QCOMPARE(w_->statusText(1), QStringLiteral("2/10 (10)"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Строка вставлена"));
        QCOMPARE(records(), size_t(1));
        action("N26")->trigger();
        QVERIFY(row(1).startsWith(QStringLiteral("елка ")));

        w_->list()->selectRow(2);
        action("N13")->trigger();
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("Бука"));
        QCOMPARE(records(), size_t(1));

        action("Linear")->trigger();
        w_->list()->selectRow(0);
        paste(QStringLiteral("привет, ёж"));
        QCOMPARE(stored(0), PirateText("ПРИВЕТ, ЕЖ"));

        // Nothing to paste: nothing happens, not even a message.
        const auto before = w_->document().CurrentTexts;
        QGuiApplication::clipboard()->clear();
        action("N14")->trigger();
        paste(QString(QChar(u'\0')) + QStringLiteral("abc"));
        QCOMPARE(w_->document().CurrentTexts, before);
        QCOMPARE(records(), size_t(2));
        QVERIFY(prompts_->asked.isEmpty());
    }

    void clearRestoreAndRecodeCurrent()
    {
        w_->list()->selectRow(4);
        action("N15")->trigger();
        QCOMPARE(records(), size_t(0));
        QVERIFY(!w_->isModified());
        QCOMPARE(w_->statusText(2), QString());

        w_->list()->selectRow(1);
        action("N15")->trigger();
        QCOMPARE(stored(1), std::string());
        QCOMPARE(w_->statusText(1), QStringLiteral("2/10 (0)"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Строка стёрта"));
        QVERIFY(w_->isModified());
        action("N22")->trigger();
        QCOMPARE(stored(1), original_[1]);
        QCOMPARE(row(1), QStringLiteral("text xx"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Строка восстановлена"));
        action("N22")->trigger();  // already the loaded text: recorded all the same
        QCOMPARE(records(), size_t(3));

        w_->list()->selectRow(3);
        action("N17")->trigger();
        QCOMPARE(stored(3), BukaText("ПИРАТ"));
        QCOMPARE(row(3), QStringLiteral("ПИРАТ"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Кодировка изменена"));
        action("N18")->trigger();
        QCOMPARE(stored(3), PirateText("ПИРАТ"));
        QCOMPARE(records(), size_t(5));

        // No bytes of the source encoding: nothing at all.
        w_->SetStatus(2, QString());
        w_->list()->selectRow(0);
        action("N17")->trigger();
        action("N18")->trigger();
        QCOMPARE(records(), size_t(5));
        QCOMPARE(w_->statusText(2), QString());
    }

    void withoutACurrentEntryOnlyUndoAndRedoAct()
    {
        editRow(1, QStringLiteral("правка"));
        w_->list()->selectionModel()->clearSelection();
        QCOMPARE(w_->currentIndex(), -1);
        const auto before = w_->document().CurrentTexts;
        QGuiApplication::clipboard()->setText(QStringLiteral("clip"));
        w_->SetStatus(2, QStringLiteral("before"));
        answerDialogWith(QStringLiteral("never"));
        const int dialogs = prompts_->dialogsRun;
        for (const char* name : {"N12", "N13", "N14", "N15", "N17", "N18", "N22"})
            action(name)->trigger();
        QCOMPARE(w_->document().CurrentTexts, before);
        QCOMPARE(records(), size_t(1));
        QCOMPARE(prompts_->dialogsRun, dialogs);
        QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("clip"));
        QCOMPARE(w_->statusText(2), QStringLiteral("before"));

        action("N9")->trigger();
        QCOMPARE(stored(1), original_[1]);
        QCOMPARE(w_->currentIndex(), 1);
        QCOMPARE(w_->statusText(1), QStringLiteral("2/10 (7)"));

        // A file without entries has no current entry either.
        start(GxtBuilder('R').build());
        QCOMPARE(w_->currentIndex(), -1);
        for (const char* name : {"N12", "N13", "N14", "N15", "N17", "N18", "N22", "N9", "N10"})
            action(name)->trigger();
        QCOMPARE(records(), size_t(0));
        QVERIFY(!w_->isModified());
    }
};

QTEST_MAIN(EditingTest)
#include "tst_editing.moc"
