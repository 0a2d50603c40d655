// SPDX-License-Identifier: GPL-3.0-or-later
#include "entrylistview.h"
#include "gxtbuilder.h"
#include "windowtest.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include <filesystem>

using namespace zarnik::testing;

namespace {

// A menu as one line per item: object name, caption and shortcut; "-" for a separator;
// a submenu's items indented under it.
QStringList layout(const QMenu* menu, const QString& indent = QString())
{
    QStringList lines;
    for (const QAction* a : menu->actions()) {
        if (a->isSeparator()) {
            lines << indent + "-";
            continue;
        }
        const QString name = a->menu() ? a->menu()->objectName() : a->objectName();
        QString line = indent + name + " " + a->text();
        if (!a->shortcut().isEmpty())
            line += " " + a->shortcut().toString();
        lines << line;
        if (a->menu())
            lines << layout(a->menu(), indent + "  ");
    }
    return lines;
}

}  // namespace

class MainWindowTest : public WindowTest {
    Q_OBJECT

    // Three entries unless told otherwise.
    QString writeGxt(const char* name, std::string bytes = {})
    {
        if (bytes.empty())
            bytes = GxtBuilder('E').add("one", "first").add("two", "second text").add("three", "x").build();
        WriteFileBytes(dir_->file(name), bytes);
        return path(name);
    }
    std::unique_ptr<MainWindow> start(const QString& file) { return startWindow({file}); }

private slots:
    void init()
    {
        // An installed editor finds its settings file; without one it says so at start.
        freshFolder();
    }
    void cleanup() { dir_.reset(); }

    void missingFileStartsEmptyWithDocumentCommandsDisabled()
    {
        auto w = start(path("missing.gxt"));
        QVERIFY(!w->isLoaded());
        for (Command c : {Command::Save, Command::SaveAs, Command::Info, Command::Edit, Command::ModeBuka})
            QVERIFY2(!action(*w, c)->isEnabled(), qPrintable(action(*w, c)->objectName()));
        QVERIFY(!w->findChild<QMenu*>(QStringLiteral("N8"))->menuAction()->isEnabled());
        QVERIFY(prompts_.asked.isEmpty());
    }

    // Every item keeps its name, caption, shortcut and place, in the menu bar and in the
    // list's popup, whose items run their menu bar twins.
    void menusKeepTheirItems()
    {
        auto w = start(writeGxt("texts.gxt"));
        QStringList bar;
        for (const QAction* a : w->menuBar()->actions())
            bar << a->menu()->objectName() + " " + a->text() << layout(a->menu(), "  ");
        const QStringList expected = {
            "N1 Файл", "  N2 Открыть.. Ctrl+L", "  N3 Сохранить Ctrl+S", "  N4 Сохранить как.. F12",
            "  N48 Экспорт перевода..", "  N49 Импорт перевода..", "  N50 Открыть исходный файл..",
            "  N51 Закрыть исходный файл", "  N5 Информация..", "  -", "  N7 Выход Alt+X",
            "N8 Правка", "  N9 Отмена Ctrl+Z", "  N10 Повтор Ctrl+Y", "  -", "  N12 Изменить.. F2",
            "  N13 Копировать Ctrl+C", "  N14 Вставить Ctrl+V", "  N15 Очистить Ctrl+Del",
            "  N16 Перекодировать", "    N17 Пиратка -> Бука Alt+B", "    N18 Бука -> Пиратка Alt+P", "    -",
            "    N20 П -> Б (все строки) Ctrl+Alt+B", "    N21 Б -> П (все строки) Ctrl+Alt+P",
            "  N22 Восстановить Ctrl+R", "  N23 Восстановить все Ctrl+Alt+R", "  -", "  N25 Найти.. F3",
            "  N26 Обновить F5", "  -", "  N28 Настройки.. Alt+O", "  -",
            "  N52 Следующая непереведённая Ctrl+J", "  N53 Предыдущая непереведённая Ctrl+Shift+J",
            "N29 Язык (Б)", "  N30 Оригинальный Ctrl+O", "  Linear Пиратка Ctrl+P", "  Buka Бука Ctrl+B",
            "N31 Справка", "  Readmetxt1 Readme.txt ..", "  N32 О программе.. F1",
        };
        QCOMPARE(bar, expected);

        const auto* popup = w->findChild<QMenu*>(QStringLiteral("PopupMenu1"));
        QCOMPARE(layout(popup), (QStringList{
            "N33 Изменить", "N34 Копировать", "N35 Вставить", "N36 Очистить", "N37 Перекодировать",
            "  N38 Пиратка -> Бука", "  N39 Бука -> Пиратка", "  -", "  N41 П -> Б (все строки)",
            "  N42 Б -> П (все строки)", "N43 Восстановить", "-", "N45 Язык - Ориг.", "N46 Язык - Пиратка",
            "N47 Язык - Бука"}));
        QVERIFY(popup->actions().first()->font().bold());

        w->popupAction(Command::ModePirate)->trigger();
        QVERIFY(action(*w, Command::ModePirate)->isChecked());
        QCOMPARE(w->languageMode(), 2);
        QCOMPARE(w->popupAction(Command::RestoreAll), nullptr);
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
        trigger(*w, Command::Refresh);
        QCOMPARE(w->currentIndex(), 0);

        w->list()->selectRow(2);  // past the end of the next file: clamped
        prompts_.openNames = {writeGxt("one.gxt", GxtBuilder().add("only", "").build())};
        w->Open();
        QCOMPARE(w->statusText(1), QStringLiteral("1/1 (0)"));
    }

    void openAsksBeforeDroppingChangesAndRefusesADamagedFile()
    {
        const QString first = writeGxt("first.gxt");
        const QString bad = writeGxt("bad.gxt", std::string("GBLE\x64\0TKEY\xff\xff\xff\xf0", 14) + "junk");
        const QString second = writeGxt("second.gxt", GxtBuilder().add("k", "other").build());
        auto w = start(first);
        makeUnsaved(*w);
        prompts_.confirmAnswers = {false};
        prompts_.openNames = {bad, second};
        trigger(*w, Command::Open);
        QCOMPARE(prompts_.texts(MessageKind::Confirm),
                 QStringList{QStringLiteral("Файл не сохранён! Всё равно продолжить?")});
        QCOMPARE(prompts_.openNames.size(), 2);  // the dialog never opened

        trigger(*w, Command::Open);
        QVERIFY(prompts_.texts(MessageKind::Error).value(0).contains(QStringLiteral("bad.gxt")));
        QCOMPARE(w->windowTitle(), first + "*");
        QCOMPARE(w->document().Count(), 3u);

        trigger(*w, Command::Open);
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
        makeUnsaved(*w);
        w->SetStatus(2, QStringLiteral("before"));
        trigger(*w, Command::Save);
        QCOMPARE(prompts_.texts(MessageKind::Error).size(), 1);
        QCOMPARE(w->statusText(2), QStringLiteral("before"));
        QCOMPARE(w->windowTitle(), file + "*");
        QCOMPARE(ReadFileBytes(file.toStdString()), before);
        prompts_.confirmAnswers = {false};
        QVERIFY(!w->close());
        QCOMPARE(prompts_.texts(MessageKind::Confirm),
                 QStringList{QStringLiteral("Файл не сохранён! Всё равно выйти?")});

        std::filesystem::remove_all(file.toStdString() + "_");
        trigger(*w, Command::Save);
        QCOMPARE(w->statusText(2), QStringLiteral("Файл сохранён"));
        QCOMPARE(w->windowTitle(), file);
        QCOMPARE(ReadFileBytes(file.toStdString() + "_"), before);
        QVERIFY(w->close());
        QCOMPARE(prompts_.asked.size(), 2);
    }

    void saveAsByExtension()
    {
        const QString file = writeGxt("a.gxt");
        auto w = start(file);
        makeUnsaved(*w);
        // Upper-case extensions count: Windows names are case-blind.
        prompts_.saveNames = {path("B.GXT"), path("b.TXT"), path("c.doc")};
        trigger(*w, Command::SaveAs);
        QVERIFY(FileExists(dir_->file("B.GXT")));
        QCOMPARE(w->windowTitle(), path("B.GXT"));
        QCOMPARE(w->documentPath(), file);  // a later save still goes to the opened file

        makeUnsaved(*w);
        trigger(*w, Command::SaveAs);
        QCOMPARE(ReadFileBytes(dir_->file("b.txt")),
                 std::string("one=first\r\n \r\ntwo=second text\r\n \r\nthree=x\r\n \r\n"));
        QCOMPARE(w->windowTitle(), path("B.GXT") + "*");  // an export leaves the changes unsaved

        trigger(*w, Command::SaveAs);
        trigger(*w, Command::SaveAs);  // cancelled dialog
        QVERIFY(!FileExists(dir_->file("c.doc")));
        QCOMPARE(prompts_.texts(MessageKind::Warning).size(), 1);
        QCOMPARE(prompts_.asked.size(), 1);
    }
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
