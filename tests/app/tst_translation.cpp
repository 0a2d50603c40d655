// SPDX-License-Identifier: GPL-3.0-or-later
// "Экспорт перевода.." and "Импорт перевода..": the menu place, a whole-document import,
// a refused import that changes nothing, and export then import in every mode.
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "gxtbuilder.h"
#include "windowtest.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QtTest>

using namespace zarnik::testing;

class TranslationTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> w_;
    QString gxt_;

    QAction* action(Command command) const { return WindowTest::action(*w_, command); }
    std::vector<std::string> texts() const { return w_->document().currentTexts(); }
    void paste(int row, const QString& text)
    {
        w_->list()->selectRow(row);
        QGuiApplication::clipboard()->setText(text);
        trigger(*w_, Command::Paste);
    }
    void import(const QString& file)
    {
        prompts_.translationNames = {file};
        trigger(*w_, Command::ImportTranslation);
    }

private slots:
    void init()
    {
        freshFolder();
        gxt_ = writeFile("ru.gxt", GxtBuilder('R').add("hello", BukaText("Привет")).add("bye", BukaText("Пока"))
                                       .add("pirate", PirateText("ПИРАТ")).add("latin", "Text\tone").build());
        w_ = startWindow({gxt_});
    }
    // The window holds the prompts and the folder: it goes first.
    void cleanup() { w_.reset(); dir_.reset(); }

    void menuPlace()
    {
        const QMenu* menu = w_->findChild<QMenu*>(QStringLiteral("N1"));
        QStringList captions;
        for (const QAction* a : menu->actions())
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(captions, (QStringList{"Открыть..", "Сохранить", "Сохранить как..", "Экспорт перевода..",
                                        "Импорт перевода..", "Открыть исходный файл..", "Закрыть исходный файл", "Информация..",
                                        "-", "Выход"}));
    }

    // One change of many texts: the list is refilled, the document is modified, panel 2
    // says how much changed, and one undo puts every text back (redo applies it again).
    void importIsOneUndoableChange()
    {
        const std::vector<std::string> loaded = texts();
        paste(3, QStringLiteral("edited"));
        QVERIFY(action(Command::Undo)->isEnabled());
        WriteFileBytes(dir_->file("ru.tsv"), "#zarnik-tsv 1 mode=buka language=R\nhello\tЗдравствуй\nbye\tПока\n"
                                             "latin\tText\\tone\n");
        import(path("ru.tsv"));
        QCOMPARE(texts(), (std::vector<std::string>{BukaText("Здравствуй"), loaded[1], loaded[2], loaded[3]}));
        QCOMPARE(w_->statusText(2), QStringLiteral("Перевод импортирован, строк изменено: 2"));
        QVERIFY(w_->windowTitle().endsWith(QLatin1Char('*')));
        QCOMPARE(w_->listModel()->data(w_->listModel()->index(0, 1), Qt::DisplayRole).toString(),
                 QStringLiteral("Здравствуй"));
        QVERIFY(prompts_.texts(MessageKind::Error).isEmpty());
        const std::vector<std::string> imported = texts();
        trigger(*w_, Command::Undo);
        QCOMPARE(texts(), (std::vector<std::string>{loaded[0], loaded[1], loaded[2], "edited"}));
        QCOMPARE(w_->listModel()->data(w_->listModel()->index(0, 1), Qt::DisplayRole).toString(),
                 QStringLiteral("Привет"));
        trigger(*w_, Command::Redo);
        QCOMPARE(texts(), imported);
        trigger(*w_, Command::Undo);
        trigger(*w_, Command::Undo);  // the paste before it
        QCOMPARE(texts(), loaded);
        trigger(*w_, Command::Redo);
        trigger(*w_, Command::Redo);
        QCOMPARE(texts(), imported);

        // "Восстановить все" goes back to the texts as loaded, not as before the import.
        trigger(*w_, Command::RestoreAll);
        QCOMPARE(texts(), loaded);
    }

    void refusedImportChangesNothing()
    {
        paste(3, QStringLiteral("edited"));
        const std::vector<std::string> before = texts();
        const QString title = w_->windowTitle(), status = w_->statusText(2);
        WriteFileBytes(dir_->file("bad.tsv"), "#zarnik-tsv 1 mode=buka language=R\nhello\tНовый\nnokey\tx\n"
                                              "bye\t\xE4\xB8\xAD\n");
        import(path("bad.tsv"));
        const QStringList errors = prompts_.texts(MessageKind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(path("bad.tsv") + ":3: неизвестный ключ «nokey»"), qPrintable(errors[0]));
        QVERIFY2(errors[0].contains(":4: символ U+4E2D не входит в Windows-1251"), qPrintable(errors[0]));
        QCOMPARE(texts(), before);
        QCOMPARE(w_->windowTitle(), title);
        QCOMPARE(w_->statusText(2), status);
        QVERIFY(action(Command::Undo)->isEnabled());  // the edit can still be undone

        // A file of no known type, and a cancelled dialog, change nothing either.
        WriteFileBytes(dir_->file("notes.txt"), "hello");
        import(path("notes.txt"));
        QCOMPARE(prompts_.texts(MessageKind::Error).size(), 2);
        trigger(*w_, Command::ImportTranslation);
        QCOMPARE(texts(), before);
    }

    // Whatever mode is in force, a file exported and imported again brings back the texts
    // it was exported with: PO with the file itself as source, and TSV.
    void exportThenImportInEveryMode()
    {
        const std::vector<std::string> loaded = texts();
        for (Command mode : {Command::ModeOriginal, Command::ModePirate, Command::ModeBuka}) {
            trigger(*w_, mode);
            for (const char* name : {"out.po", "out.tsv"}) {
                const bool po = QString::fromLatin1(name).endsWith(QLatin1String(".po"));
                prompts_.translationNames = {path(name)};
                prompts_.confirmAnswers = {true};
                prompts_.openNames = {gxt_};
                trigger(*w_, Command::ExportTranslation);
                QCOMPARE(w_->statusText(2), QStringLiteral("Перевод экспортирован"));
#ifndef _WIN32  // no gettext tools under Wine; the Linux run checks the same files
                if (po)
                    QCOMPARE(std::system(("msgfmt --check -o /dev/null '" + dir_->file(name) + "'").c_str()), 0);
#endif
                paste(0, QStringLiteral("changed"));
                paste(2, QStringLiteral("changed too"));
                import(path(name));
                QCOMPARE(texts(), loaded);
                QCOMPARE(w_->statusText(2), QStringLiteral("Перевод импортирован, строк изменено: 2"));
            }
        }
        QVERIFY(prompts_.texts(MessageKind::Error).isEmpty());
        QVERIFY(prompts_.openCaptions.value(0).contains(QLatin1String(".gxt")));  // says what it asks for
        // Without a source the PO is a template, which imports as all untranslated.
        prompts_.translationNames = {path("template.po")};
        prompts_.confirmAnswers = {false};
        trigger(*w_, Command::ExportTranslation);
        import(path("template.po"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Перевод импортирован, строк изменено: 0"));
    }
};

QTEST_MAIN(TranslationTest)
#include "tst_translation.moc"
