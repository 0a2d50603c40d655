#include "entrylistmodel.h"
#include "entrylistview.h"
#include "fakeprompts.h"
#include "gxtbuilder.h"
#include "mainwindow.h"
#include "tempdir.h"

#include <QAction>
#include <QMenu>
#include <QtTest>

#include <filesystem>

using namespace zarnik::testing;

class MainWindowTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> dir_;
    QString path(const char* name) const { return QString::fromStdString(dir_->file(name)); }
    QString writeGxt(const char* name, const std::string& bytes)
    {
        WriteFileBytes(dir_->file(name), bytes);
        return path(name);
    }
    QString writeThreeEntries(const char* name)
    {
        return writeGxt(name, GxtBuilder('E').add("one", "first").add("two", "second text")
                                  .add("three", "x").build());
    }
    std::unique_ptr<MainWindow> start(FakePrompts& prompts, const QStringList& args = {})
    {
        auto w = std::make_unique<MainWindow>(prompts, ProgramDirectory(QString::fromStdString(dir_->path())), args);
        w->show();
        return w;
    }
    static QAction* action(MainWindow& w, const char* name)
    {
        return w.findChild<QAction*>(QLatin1String(name));
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        // An installed editor finds its settings file; without one it says so at start.
        WriteFileBytes(dir_->file("Settings.ini"), "");
    }
    void cleanup() { dir_.reset(); }

    void startsEmptyWithDocumentCommandsDisabled()
    {
        FakePrompts prompts;
        auto w = start(prompts, {path("missing.gxt")});
        QCOMPARE(w->windowTitle(), QStringLiteral("Form1"));
        QVERIFY(!w->isLoaded());
        QCOMPARE(w->listModel()->rows(), 0);
        for (const char* name : {"N2", "N7", "Readmetxt1", "N32"})
            QVERIFY2(action(*w, name)->isEnabled(), name);
        for (const char* name : {"N3", "N4", "N5", "N9", "N10", "N12", "N13", "N26", "Buka"})
            QVERIFY2(!action(*w, name)->isEnabled(), name);
        QVERIFY(!w->findChild<QMenu*>(QStringLiteral("N8"))->menuAction()->isEnabled());
        QVERIFY(prompts.asked.isEmpty());
    }

    void startsWithTheCommandLineFile()
    {
        const QString file = writeThreeEntries("start.gxt");
        FakePrompts prompts;
        auto w = start(prompts, {file});
        QVERIFY(w->isLoaded());
        QCOMPARE(w->windowTitle(), file);
        QCOMPARE(w->documentPath(), file);
        QCOMPARE(w->listModel()->rows(), 3);
        QCOMPARE(w->listModel()->data(w->listModel()->index(1, 0), Qt::DisplayRole).toString(),
                 QStringLiteral("two"));
        // CurrentIndex starts at 1 without settings: the second row.
        QCOMPARE(w->currentIndex(), 1);
        QCOMPARE(w->statusText(1), QStringLiteral("2/3 (11)"));
        QCOMPARE(w->statusText(2), QString());
        QCOMPARE(w->languageMenu()->title(), QStringLiteral("Язык (Б)"));
        QVERIFY(action(*w, "N3")->isEnabled());
        QVERIFY(!action(*w, "N9")->isEnabled());  // nothing to undo yet
        QVERIFY(!w->isModified());
    }

    void currentIndexIsClampedAndFollowsTheSelection()
    {
        const QString one = writeGxt("one.gxt", GxtBuilder().add("only", "").build());
        FakePrompts prompts;
        auto w = start(prompts, {one});
        QCOMPARE(w->currentIndex(), 0);
        QCOMPARE(w->statusText(1), QStringLiteral("1/1 (0)"));

        prompts.openNames = {writeThreeEntries("three.gxt")};
        w->Open();
        QCOMPARE(w->currentIndex(), 0);
        w->list()->selectRow(2);
        QCOMPARE(w->currentIndex(), 2);
        QCOMPARE(w->statusText(1), QStringLiteral("3/3 (1)"));
        w->list()->selectionModel()->clearSelection();
        QCOMPARE(w->currentIndex(), -1);
        QCOMPARE(w->statusText(1), QStringLiteral("0/3"));
        // A refill puts an index without a row back on the first row.
        action(*w, "N26")->trigger();
        QCOMPARE(w->currentIndex(), 0);
    }

    void openAsksBeforeDroppingChanges()
    {
        const QString first = writeThreeEntries("first.gxt");
        const QString second = writeGxt("second.gxt", GxtBuilder().add("k", "other").build());
        FakePrompts prompts;
        auto w = start(prompts, {first});
        w->SetModified(true);
        QCOMPARE(w->windowTitle(), first + "*");

        prompts.confirmAnswers = {false};
        prompts.openNames = {second};
        action(*w, "N2")->trigger();
        QCOMPARE(prompts.texts(MessageKind::Confirm),
                 QStringList{QStringLiteral("Файл не сохранён! Всё равно продолжить?")});
        QCOMPARE(prompts.asked.last().caption, QStringLiteral("Внимание"));
        QCOMPARE(w->documentPath(), first);
        QCOMPARE(w->windowTitle(), first + "*");
        QCOMPARE(prompts.openNames.size(), 1);  // the dialog never opened

        prompts.confirmAnswers = {true};
        action(*w, "N2")->trigger();
        QCOMPARE(prompts.lastStartDir, QString::fromStdString(dir_->path()));
        QCOMPARE(w->documentPath(), second);
        QCOMPARE(w->windowTitle(), second);
        QVERIFY(!w->isModified());
        QCOMPARE(w->listModel()->rows(), 1);
        QCOMPARE(w->statusText(2), QString());  // opening reports nothing
    }

    void damagedFileIsRefusedAndNothingChanges()
    {
        const QString good = writeThreeEntries("good.gxt");
        const QString bad = writeGxt("bad.gxt", std::string("GBLE\x64\0TKEY\xff\xff\xff\xf0", 14) + "junk");
        FakePrompts prompts;
        auto w = start(prompts, {good});
        w->SetModified(true);
        prompts.openNames = {bad};
        w->Open();
        const QStringList errors = prompts.texts(MessageKind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().contains(QStringLiteral("bad.gxt")));
        QVERIFY(errors.first().endsWith(QLatin1Char('.')));
        QCOMPARE(prompts.asked.last().caption, QStringLiteral("Zarnik"));
        QCOMPARE(w->documentPath(), good);
        QCOMPARE(w->windowTitle(), good + "*");
        QCOMPARE(w->listModel()->rows(), 3);
        QCOMPARE(w->document().Count(), 3u);
        QVERIFY(w->isModified());
    }

    void saveWritesTheFileWithABackup()
    {
        const QString file = writeThreeEntries("texts.gxt");
        const std::string before = ReadFileBytes(file.toStdString());
        FakePrompts prompts;
        auto w = start(prompts, {file});
        w->SetModified(true);
        action(*w, "N3")->trigger();
        QCOMPARE(w->statusText(2), QStringLiteral("Файл сохранён"));
        QCOMPARE(w->windowTitle(), file);
        QVERIFY(!w->isModified());
        QCOMPARE(ReadFileBytes(file.toStdString() + "_"), before);
        QCOMPARE(ReadFileBytes(file.toStdString()), before);  // unchanged texts, same layout
    }

    void failedSaveIsNeverReportedAsDone()
    {
        const QString file = writeThreeEntries("texts.gxt");
        const std::string before = ReadFileBytes(file.toStdString());
        // A backup name taken by a folder with something in it cannot be deleted, not
        // even by root.
        std::filesystem::create_directories(file.toStdString() + "_/keep");
        FakePrompts prompts;
        auto w = start(prompts, {file});
        w->SetModified(true);
        w->SetStatus(2, QStringLiteral("before"));
        action(*w, "N3")->trigger();
        const QStringList errors = prompts.texts(MessageKind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY(errors.first().contains(QStringLiteral("texts.gxt_")));
        QCOMPARE(w->statusText(2), QStringLiteral("before"));
        QVERIFY(w->isModified());
        QCOMPARE(w->windowTitle(), file + "*");
        QCOMPARE(ReadFileBytes(file.toStdString()), before);
    }

    void saveAsByExtension()
    {
        const QString file = writeThreeEntries("a.gxt");
        FakePrompts prompts;
        auto w = start(prompts, {file});
        w->SetModified(true);

        // Upper-case extensions count: Windows names are case-blind.
        prompts.saveNames = {path("B.GXT")};
        action(*w, "N4")->trigger();
        QCOMPARE(prompts.lastStartDir, QString::fromStdString(dir_->path()));
        QVERIFY(FileExists(dir_->file("B.GXT")));
        QCOMPARE(w->windowTitle(), path("B.GXT"));
        QCOMPARE(w->statusText(2), QStringLiteral("Файл пересохранён"));
        QVERIFY(!w->isModified());
        QCOMPARE(w->documentPath(), file);  // a later save still goes to the opened file

        w->SetModified(true);
        prompts.saveNames = {path("b.TXT")};
        action(*w, "N4")->trigger();
        QCOMPARE(ReadFileBytes(dir_->file("b.txt")),
                 std::string("one=first\r\n \r\ntwo=second text\r\n \r\nthree=x\r\n \r\n"));
        QCOMPARE(w->statusText(2), QStringLiteral("Файл сохранён как текст"));
        QVERIFY(w->isModified());
        QCOMPARE(w->windowTitle(), path("B.GXT") + "*");

        prompts.saveNames = {path("c.doc")};
        w->SetStatus(2, QString());
        action(*w, "N4")->trigger();
        QVERIFY(!FileExists(dir_->file("c.doc")));
        QCOMPARE(prompts.texts(MessageKind::Warning).size(), 1);
        QCOMPARE(w->statusText(2), QString());

        prompts.saveNames = {};  // cancelled dialog
        action(*w, "N4")->trigger();
        QCOMPARE(prompts.asked.size(), 1);
    }

    void closeAsksOnlyWithUnsavedChanges()
    {
        const QString file = writeThreeEntries("a.gxt");
        FakePrompts prompts;
        auto w = start(prompts, {file});
        QVERIFY(w->close());
        QVERIFY(prompts.asked.isEmpty());

        w->show();
        w->SetModified(true);
        prompts.confirmAnswers = {false, true};
        QVERIFY(!w->close());
        QVERIFY(w->isVisible());
        QCOMPARE(prompts.texts(MessageKind::Confirm),
                 QStringList{QStringLiteral("Файл не сохранён! Всё равно выйти?")});
        QVERIFY(w->close());
    }

    void escapeMinimizesAndMenusMatchTheirShortcuts()
    {
        FakePrompts prompts;
        auto w = start(prompts, {writeThreeEntries("a.gxt")});
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::keyClick(w->list(), Qt::Key_Escape);
        QVERIFY(w->windowState() & Qt::WindowMinimized);

        const struct { const char* name; const char* caption; QKeySequence key; } items[] = {
            {"N2", "Открыть..", QKeySequence(QStringLiteral("Ctrl+L"))},
            {"N4", "Сохранить как..", QKeySequence(Qt::Key_F12)},
            {"N15", "Очистить", QKeySequence(QStringLiteral("Ctrl+Del"))},
            {"N21", "Б -> П (все строки)", QKeySequence(QStringLiteral("Ctrl+Alt+P"))},
            {"N23", "Восстановить все", QKeySequence(QStringLiteral("Ctrl+Alt+R"))},
            {"Linear", "Пиратка", QKeySequence(QStringLiteral("Ctrl+P"))},
            {"N32", "О программе..", QKeySequence(Qt::Key_F1)},
        };
        for (const auto& item : items) {
            QAction* a = action(*w, item.name);
            QCOMPARE(a->text(), QString::fromUtf8(item.caption));
            QCOMPARE(a->shortcut(), item.key);
        }
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
