// "Экспорт перевода.." and "Импорт перевода..": the menu place, a whole-document import,
// a refused import that changes nothing, and export then import in every mode.
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "fakeprompts.h"
#include "gxtbuilder.h"
#include "mainwindow.h"
#include "tempdir.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QMenu>
#include <QtTest>

using namespace zarnik::testing;

class TranslationTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<FakePrompts> prompts_;
    std::unique_ptr<MainWindow> w_;
    QString gxt_;

    QAction* action(const char* name) const { return w_->findChild<QAction*>(QLatin1String(name)); }
    std::vector<std::string> texts() const { return w_->document().CurrentTexts; }
    QString file(const char* name) const { return QString::fromStdString(dir_->file(name)); }
    void paste(int row, const QString& text)
    {
        w_->list()->selectRow(row);
        QGuiApplication::clipboard()->setText(text);
        action("N14")->trigger();
    }
    void import(const QString& path)
    {
        prompts_->translationNames = {path};
        action("N49")->trigger();
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        WriteFileBytes(dir_->file("Settings.ini"), "");
        prompts_ = std::make_unique<FakePrompts>();
        gxt_ = file("ru.gxt");
        WriteFileBytes(gxt_.toStdString(), GxtBuilder('R').add("hello", BukaText("Привет")).add("bye", BukaText("Пока"))
                                               .add("pirate", PirateText("ПИРАТ")).add("latin", "Text\tone").build());
        w_ = std::make_unique<MainWindow>(*prompts_, ProgramDirectory(QString::fromStdString(dir_->path())),
                                          QStringList{gxt_});
        w_->show();
    }
    void cleanup() { w_.reset(); prompts_.reset(); dir_.reset(); }

    void menuPlace()
    {
        const QMenu* menu = w_->findChild<QMenu*>(QStringLiteral("N1"));
        QStringList captions;
        for (const QAction* a : menu->actions())
            captions << (a->isSeparator() ? QStringLiteral("-") : a->text());
        QCOMPARE(captions, (QStringList{"Открыть..", "Сохранить", "Сохранить как..", "Экспорт перевода..",
                                        "Импорт перевода..", "Информация..", "-", "Выход"}));
    }

    // Like "Восстановить все": the history goes, the texts change, the list is refilled,
    // the document is modified and panel 2 says how much changed.
    void importIsAWholeDocumentChange()
    {
        const std::vector<std::string> loaded = texts();
        paste(3, QStringLiteral("edited"));
        QVERIFY(action("N9")->isEnabled());
        WriteFileBytes(dir_->file("ru.tsv"), "#zarnik-tsv 1 mode=buka language=R\nhello\tЗдравствуй\nbye\tПока\n"
                                             "latin\tText\\tone\n");
        import(file("ru.tsv"));
        QCOMPARE(texts(), (std::vector<std::string>{BukaText("Здравствуй"), loaded[1], loaded[2], loaded[3]}));
        QCOMPARE(w_->statusText(2), QStringLiteral("Перевод импортирован, строк изменено: 2"));
        QVERIFY(!action("N9")->isEnabled());
        QVERIFY(!action("N10")->isEnabled());
        QVERIFY(w_->windowTitle().endsWith(QLatin1Char('*')));
        QCOMPARE(w_->listModel()->data(w_->listModel()->index(0, 1), Qt::DisplayRole).toString(),
                 QStringLiteral("Здравствуй"));
        QVERIFY(prompts_->texts(MessageKind::Error).isEmpty());

        // "Восстановить все" goes back to the texts as loaded, not as before the import.
        action("N23")->trigger();
        QCOMPARE(texts(), loaded);
    }

    void refusedImportChangesNothing()
    {
        paste(3, QStringLiteral("edited"));
        const std::vector<std::string> before = texts();
        const QString title = w_->windowTitle(), status = w_->statusText(2);
        WriteFileBytes(dir_->file("bad.tsv"), "#zarnik-tsv 1 mode=buka language=R\nhello\tНовый\nnokey\tx\n"
                                              "bye\t\xE4\xB8\xAD\n");
        import(file("bad.tsv"));
        const QStringList errors = prompts_->texts(MessageKind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(file("bad.tsv") + ":3: неизвестный ключ «nokey»"), qPrintable(errors[0]));
        QVERIFY2(errors[0].contains(":4: символ U+4E2D не входит в Windows-1251"), qPrintable(errors[0]));
        QCOMPARE(texts(), before);
        QCOMPARE(w_->windowTitle(), title);
        QCOMPARE(w_->statusText(2), status);
        QVERIFY(action("N9")->isEnabled());  // the edit can still be undone

        // A file of no known type, and a cancelled dialog, change nothing either.
        WriteFileBytes(dir_->file("notes.txt"), "hello");
        import(file("notes.txt"));
        QCOMPARE(prompts_->texts(MessageKind::Error).size(), 2);
        action("N49")->trigger();
        QCOMPARE(texts(), before);
    }

    // Whatever mode is in force, a file exported and imported again brings back the texts
    // it was exported with: PO with the file itself as source, and TSV.
    void exportThenImportInEveryMode()
    {
        const std::vector<std::string> loaded = texts();
        for (const char* mode : {"N30", "Linear", "Buka"}) {
            action(mode)->trigger();
            for (const char* name : {"out.po", "out.tsv"}) {
                const bool po = QString::fromLatin1(name).endsWith(QLatin1String(".po"));
                prompts_->translationNames = {file(name)};
                prompts_->confirmAnswers = {true};
                prompts_->openNames = {gxt_};
                action("N48")->trigger();
                QCOMPARE(w_->statusText(2), QStringLiteral("Перевод экспортирован"));
                if (po)
                    QCOMPARE(std::system(("msgfmt --check -o /dev/null '" + dir_->file(name) + "'").c_str()), 0);
                paste(0, QStringLiteral("changed"));
                paste(2, QStringLiteral("changed too"));
                import(file(name));
                QCOMPARE(texts(), loaded);
                QCOMPARE(w_->statusText(2), QStringLiteral("Перевод импортирован, строк изменено: 2"));
            }
        }
        QVERIFY(prompts_->texts(MessageKind::Error).isEmpty());
        // Without a source the PO is a template, which imports as all untranslated.
        prompts_->translationNames = {file("template.po")};
        prompts_->confirmAnswers = {false};
        action("N48")->trigger();
        import(file("template.po"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Перевод импортирован, строк изменено: 0"));
    }
};

QTEST_MAIN(TranslationTest)
#include "tst_translation.moc"
