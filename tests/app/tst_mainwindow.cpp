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

    std::unique_ptr<TempDir> dir_;
    std::unique_ptr<FakePrompts> prompts_;
    QString path(const char* name) const { return QString::fromStdString(dir_->file(name)); }
    // Three entries unless told otherwise.
    QString writeGxt(const char* name, std::string bytes = {})
    {
        if (bytes.empty())
            bytes = GxtBuilder('E').add("one", "first").add("two", "second text").add("three", "x").build();
        WriteFileBytes(dir_->file(name), bytes);
        return path(name);
    }
    std::unique_ptr<MainWindow> start(const QString& file)
    {
        auto w = std::make_unique<MainWindow>(*prompts_, ProgramDirectory(QString::fromStdString(dir_->path())),
                                              QStringList{file});
        w->show();
        return w;
    }
    static QAction* action(MainWindow& w, const char* name) { return w.findChild<QAction*>(QLatin1String(name)); }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        // An installed editor finds its settings file; without one it says so at start.
        WriteFileBytes(dir_->file("Settings.ini"), "");
        prompts_ = std::make_unique<FakePrompts>();
    }
    void cleanup() { prompts_.reset(); dir_.reset(); }

    void missingFileStartsEmptyWithDocumentCommandsDisabled()
    {
        auto w = start(path("missing.gxt"));
        QVERIFY(!w->isLoaded());
        for (const char* name : {"N3", "N4", "N5", "N12", "Buka"})
            QVERIFY2(!action(*w, name)->isEnabled(), name);
        QVERIFY(!w->findChild<QMenu*>(QStringLiteral("N8"))->menuAction()->isEnabled());
        QVERIFY(prompts_->asked.isEmpty());
    }

    void commandLineFileAndCurrentIndex()
    {
        const QString file = writeGxt("start.gxt");
        auto w = start(file);
        QCOMPARE(w->windowTitle(), file);
        // CurrentIndex starts at 1 without settings: the second row.
        QCOMPARE(w->statusText(1), QStringLiteral("2/3 (11)"));
        QVERIFY(QTest::qWaitForWindowExposed(w.get()));
        QTest::keyClick(w->list(), Qt::Key_Escape);
        QVERIFY(w->windowState() & Qt::WindowMinimized);

        w->list()->selectionModel()->clearSelection();
        QCOMPARE(w->currentIndex(), -1);
        QCOMPARE(w->statusText(1), QStringLiteral("0/3"));
        // A refill puts an index without a row back on the first row.
        action(*w, "N26")->trigger();
        QCOMPARE(w->currentIndex(), 0);

        w->list()->selectRow(2);  // past the end of the next file: clamped
        prompts_->openNames = {writeGxt("one.gxt", GxtBuilder().add("only", "").build())};
        w->Open();
        QCOMPARE(w->statusText(1), QStringLiteral("1/1 (0)"));
    }

    void openAsksBeforeDroppingChangesAndRefusesADamagedFile()
    {
        const QString first = writeGxt("first.gxt");
        const QString bad = writeGxt("bad.gxt", std::string("GBLE\x64\0TKEY\xff\xff\xff\xf0", 14) + "junk");
        const QString second = writeGxt("second.gxt", GxtBuilder().add("k", "other").build());
        auto w = start(first);
        w->session().restoreText(0);
        prompts_->confirmAnswers = {false};
        prompts_->openNames = {bad, second};
        action(*w, "N2")->trigger();
        QCOMPARE(prompts_->texts(MessageKind::Confirm),
                 QStringList{QStringLiteral("Файл не сохранён! Всё равно продолжить?")});
        QCOMPARE(prompts_->openNames.size(), 2);  // the dialog never opened

        action(*w, "N2")->trigger();
        QVERIFY(prompts_->texts(MessageKind::Error).value(0).contains(QStringLiteral("bad.gxt")));
        QCOMPARE(w->windowTitle(), first + "*");
        QCOMPARE(w->document().Count(), 3u);

        action(*w, "N2")->trigger();
        QCOMPARE(w->windowTitle(), second);
        QCOMPARE(w->statusText(2), QString());  // opening reports nothing
    }

    // Closing asks only while changes are unsaved.
    void failedSaveIsNeverReportedAsDoneAndASaveKeepsABackup()
    {
        const QString file = writeGxt("texts.gxt");
        const std::string before = ReadFileBytes(file.toStdString());
        // A backup name taken by a folder with something in it cannot be deleted, not even by root.
        std::filesystem::create_directories(file.toStdString() + "_/keep");
        auto w = start(file);
        w->session().restoreText(0);
        w->SetStatus(2, QStringLiteral("before"));
        action(*w, "N3")->trigger();
        QCOMPARE(prompts_->texts(MessageKind::Error).size(), 1);
        QCOMPARE(w->statusText(2), QStringLiteral("before"));
        QCOMPARE(w->windowTitle(), file + "*");
        QCOMPARE(ReadFileBytes(file.toStdString()), before);
        prompts_->confirmAnswers = {false};
        QVERIFY(!w->close());
        QCOMPARE(prompts_->texts(MessageKind::Confirm),
                 QStringList{QStringLiteral("Файл не сохранён! Всё равно выйти?")});

        std::filesystem::remove_all(file.toStdString() + "_");
        action(*w, "N3")->trigger();
        QCOMPARE(w->statusText(2), QStringLiteral("Файл сохранён"));
        QCOMPARE(w->windowTitle(), file);
        QCOMPARE(ReadFileBytes(file.toStdString() + "_"), before);
        QVERIFY(w->close());
        QCOMPARE(prompts_->asked.size(), 2);
    }

    void saveAsByExtension()
    {
        const QString file = writeGxt("a.gxt");
        auto w = start(file);
        w->session().restoreText(0);
        // Upper-case extensions count: Windows names are case-blind.
        prompts_->saveNames = {path("B.GXT"), path("b.TXT"), path("c.doc")};
        action(*w, "N4")->trigger();
        QVERIFY(FileExists(dir_->file("B.GXT")));
        QCOMPARE(w->windowTitle(), path("B.GXT"));
        QCOMPARE(w->documentPath(), file);  // a later save still goes to the opened file

        w->session().restoreText(0);
        action(*w, "N4")->trigger();
        QCOMPARE(ReadFileBytes(dir_->file("b.txt")),
                 std::string("one=first\r\n \r\ntwo=second text\r\n \r\nthree=x\r\n \r\n"));
        QCOMPARE(w->windowTitle(), path("B.GXT") + "*");  // an export leaves the changes unsaved

        action(*w, "N4")->trigger();
        action(*w, "N4")->trigger();  // cancelled dialog
        QVERIFY(!FileExists(dir_->file("c.doc")));
        QCOMPARE(prompts_->texts(MessageKind::Warning).size(), 1);
        QCOMPARE(prompts_->asked.size(), 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
