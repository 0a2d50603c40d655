// SPDX-License-Identifier: GPL-3.0-or-later
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "gxtbuilder.h"
#include "inifile.h"
#include "windowtest.h"

#include <QAction>
#include <QDir>
#include <QtTest>

#include <filesystem>

using namespace zarnik::testing;

class SettingsTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> w_;

    std::string settingsFile() const { return dir_->file("Settings.ini"); }
    std::string historyFile() const { return dir_->file("LastSearched.ini"); }
    zarnik::IniFile saved() const { return zarnik::IniFile::load(settingsFile()); }
    QString writeDocument() const
    {
        WriteFileBytes(dir_->file("doc.gxt"), GxtBuilder().add("k0", "a").add("k1", "b").build());
        return QString::fromStdString(dir_->file("doc.gxt"));
    }
    // Closes the window there is (saving its settings), then starts a new one with fresh prompts.
    void start(const QStringList& args = {}) { startIn(ProgramDirectory(dirPath()), args); }
    void startIn(const ProgramDirectory& dirs, const QStringList& args = {})
    {
        w_.reset();
        prompts_ = FakePrompts();
        w_ = startWindowIn(dirs, args);
    }
    // The search history the window holds, followed by its direction and case flags.
    QStringList search() const
    {
        QStringList items;
        bool down, matchCase;
        w_->readSearchSettings(items, down, matchCase);
        return items << (down ? "down" : "up") << (matchCase ? "case" : "any case");
    }
    QStringList errors() const { return prompts_.texts(MessageKind::Error); }

private slots:
    void init() { freshFolder(false); }
    void cleanup() { w_.reset(); dir_.reset(); }

    void missingFileWarnsAndTheHistoryStillGoesThroughTheSearchHooks()
    {
        WriteFileBytes(historyFile(), std::string("first\0\xef\xee\xe8\xf1\xea\0", 12));
        start();
        QCOMPARE(prompts_.texts(MessageKind::Warning), QStringList{QStringLiteral("Файл Settings.ini не найден")});
        QCOMPARE(prompts_.asked.size(), 1);
        QCOMPARE(prompts_.asked.first().caption, QStringLiteral("Ошибка"));
        // The history (Windows-1251) is read all the same; the search controls stay as built.
        QCOMPARE(search(), (QStringList{"first", QStringLiteral("поиск"), "down", "any case"}));
        const QStringList many = QStringLiteral("a b c d e f g h i j k l m n o p q r s t u v").split(' ');
        w_->applySearchSettings(many, false, true);
        start();  // the first save makes the next start quiet
        QVERIFY(prompts_.asked.isEmpty());
        QCOMPARE(search(), many.mid(0, 20) + QStringList({"up", "case"}));  // as many as RecCount allows
    }

    void oddValuesAreReadAndKeysKeepTheirPlaces()
    {
        const QString doc = writeDocument();
        WriteFileBytes(settingsFile(),
                       "; Zarnik settings\r\n"
                       "[Position]\r\nLeft=0x20\r\nTop=$30\r\n"
                       "[Size]\r\nWidth=484\r\nCaptionWidth=0x3C\r\n"
                       "[edit]\r\ntop=100\r\nleft=200\r\nwidth=300\r\n"
                       "[File]\r\nLang=7\r\nUnknown=kept\r\n"
                       "[Options]\r\nUseGrig=0\r\nRecCount=$A\r\n"
                       "[String]\r\nLastString=-5\r\n"
                       "[Font]\r\nName=Courier New\r\nCharSet=204\r\nColor=-16777208\r\nSize=12\r\nStyle=$5\r\n"
                       "[Find]\r\nFindDown=0\r\nMatchCase=1\r\n");
        start({doc});
        QVERIFY(prompts_.asked.isEmpty());
        QCOMPARE(w_->frameGeometry(), QRect(32, 48, 485, 666));  // a width under the minimum: the minimum
        // An unknown language shows the texts as stored.
        QVERIFY(w_->languageMode() == 7 && action(*w_, Command::ModeOriginal)->isChecked());
        QVERIFY(w_->list()->font().bold() && w_->list()->font().underline() && !w_->list()->font().italic());
        // A system colour (here the window text colour) has no RGB value of its own.
        QCOMPARE(w_->list()->palette().color(QPalette::Text), QGuiApplication::palette().color(QPalette::Text));
        QCOMPARE(w_->currentIndex(), 0);  // a negative entry number: the first row
        w_.reset();
        QCOMPARE(ReadFileBytes(settingsFile()),
                 "; Zarnik settings\r\n"
                 "[Position]\r\nLeft=32\r\nTop=48\r\nMaximized=0\r\n"
                 "[Size]\r\nWidth=485\r\nCaptionWidth=60\r\nHeight=666\r\n"
                 "[edit]\r\ntop=100\r\nleft=200\r\nwidth=300\r\n"
                 "[File]\r\nLang=7\r\nUnknown=kept\r\nLastFile=" + doc.toStdString() + "\r\n"
                 "[Options]\r\nUseGrig=0\r\nRecCount=10\r\nAutoSize=1\r\nChangeDir=1\r\n"
                 "[String]\r\nLastString=0\r\n"
                 "[Font]\r\nName=Courier New\r\nCharSet=204\r\nColor=-16777208\r\nSize=12\r\nStyle=5\r\n"
                 "[Find]\r\nFindDown=0\r\nMatchCase=1\r\n");
    }

    void maximizedWindowKeepsTheStoredPlacement()
    {
        const QString doc = writeDocument();
        const std::string placement = "[Position]\r\nLeft=10\r\nTop=20\r\nMaximized=1\r\n"
                                      "[Size]\r\nWidth=600\r\nHeight=349\r\n";  // kept as stored
        WriteFileBytes(settingsFile(), "[Position]\r\nLeft=10\r\nTop=20\r\n[Size]\r\nWidth=600\r\nHeight=349\r\n");
        start({doc});
        QCOMPARE(w_->frameGeometry(), QRect(10, 20, 600, 350));  // a height under the minimum: the minimum
        w_->showMaximized();
        w_->list()->selectionModel()->clearSelection();
        w_.reset();
        QCOMPARE(ReadFileBytes(settingsFile()).substr(0, placement.size()), placement);
        QCOMPARE(saved().readInt("String", "LastString", 0), -1);  // no row selected

        start();  // the last file again
        QVERIFY(w_->isMaximized());
        QCOMPARE(w_->currentIndex(), 0);
        w_->showNormal();  // back to the designed bounds, not the stored ones
        QCOMPARE(w_->frameGeometry(), QRect(379, 348, 582, 478));
        w_->showMaximized();
        w_.reset();
        QCOMPARE(ReadFileBytes(settingsFile()).substr(0, placement.size()), placement);
    }

    void settingsGoElsewhereWhenTheProgramFolderIsReadOnly()
    {
        QVERIFY(ProgramDirectory::canCreateFilesIn(dirPath()));  // the real probe, leaving nothing
        QVERIFY(QDir(dirPath()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        // Not writable even for root, whatever its permission bits say.
        if (QFileInfo(QStringLiteral("/proc/self")).isDir())
            QVERIFY(!ProgramDirectory::canCreateFilesIn(QStringLiteral("/proc")));

        TempDir config;
        const QString fallback = QString::fromStdString(config.path()) + "/zarnik";
        const auto readOnly = [](const QString&) { return false; };
        const ProgramDirectory dirs(dirPath(), fallback, readOnly);
        // A folder that is not there is not probed: its absence is reported at save time.
        QCOMPARE(ProgramDirectory(dirPath() + "/gone", fallback, readOnly).settingsPath(), dirPath() + "/gone/");

        // The first run takes the defaults that came with the program, silently.
        const std::string shipped = "[File]\r\nLang=2\r\n";
        WriteFileBytes(settingsFile(), shipped);
        startIn(dirs);
        QCOMPARE(w_->languageMode(), 2);
        w_->SelectMode(1);
        w_->applySearchSettings({"q"}, true, false);
        w_.reset();
        QVERIFY(prompts_.asked.isEmpty());
        QCOMPARE(ReadFileBytes(settingsFile()), shipped);
        QVERIFY(!FileExists(historyFile()));
        startIn(dirs);
        QCOMPARE(w_->languageMode(), 1);
        QCOMPARE(search(), (QStringList{"q", "down", "any case"}));
    }

    void settingsThatCannotBeSavedAreReported()
    {
        // A Settings.ini that cannot be read or written: defaults, an error at start and at
        // exit, and nothing else is written after it.
        std::filesystem::create_directory(settingsFile());
        start();
        QCOMPARE(errors().size(), 1);
        QVERIFY(prompts_.texts(MessageKind::Warning).isEmpty());
        w_.reset();
        QCOMPARE(errors().size(), 2);
        QVERIFY2(errors().last().contains("Settings.ini"), qPrintable(errors().last()));
        QVERIFY(!FileExists(historyFile()));

        // A history file that cannot be replaced: Settings.ini is written all the same, and
        // no temporary file is left behind.
        std::filesystem::remove(settingsFile());
        WriteFileBytes(settingsFile(), "; mine\r\n");
        std::filesystem::create_directory(historyFile());
        start();
        w_.reset();
        QCOMPARE(errors().size(), 2);  // reading it at start, writing it at exit
        QVERIFY2(errors().last().contains("LastSearched.ini"), qPrintable(errors().last()));
        QVERIFY(saved().contains("Position", "Maximized"));
        QCOMPARE(QDir(dirPath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{"LastSearched.ini", "Settings.ini"}));

        // A program folder removed while running: a warning, and the history still fails.
        std::filesystem::remove_all(historyFile());
        start();
        w_->applySearchSettings({"query"}, true, false);
        std::filesystem::remove_all(dir_->path());
        w_.reset();
        QCOMPARE(prompts_.texts(MessageKind::Warning), QStringList{QStringLiteral("Каталог удалён!")});
        QCOMPARE(errors().size(), 1);
        QVERIFY2(errors().last().contains("LastSearched.ini"), qPrintable(errors().last()));
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
