#include "entrylistmodel.h"
#include "entrylistview.h"
#include "fakeprompts.h"
#include "gxtbuilder.h"
#include "inifile.h"
#include "mainwindow.h"
#include "tempdir.h"

#include <QAction>
#include <QDir>
#include <QMenu>
#include <QtTest>

#include <filesystem>

using namespace zarnik::testing;

namespace {

std::string bytes(const char* text, size_t size) { return std::string(text, size); }

}  // namespace

class SettingsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;

    QString dirPath() const { return QString::fromStdString(dir_->path()); }
    std::string settingsFile() const { return dir_->file("Settings.ini"); }
    std::string historyFile() const { return dir_->file("LastSearched.ini"); }
    void writeSettings(std::string_view text) { WriteFileBytes(settingsFile(), text); }
    zarnik::IniFile saved() const { return zarnik::IniFile::load(settingsFile()); }
    QString writeDocument()
    {
        GxtBuilder gxt;
        for (const char* key : {"k0", "k1", "k2", "k3", "k4"})
            gxt.add(key, std::string("text of ") + key);
        WriteFileBytes(dir_->file("doc.gxt"), gxt.build());
        return QString::fromStdString(dir_->file("doc.gxt"));
    }
    std::unique_ptr<MainWindow> start(FakePrompts& prompts, const QStringList& args = {})
    {
        auto w = std::make_unique<MainWindow>(prompts, ProgramDirectory(dirPath()), args);
        w->show();
        return w;
    }
    static QStringList history(const MainWindow& w, bool* down = nullptr, bool* matchCase = nullptr)
    {
        QStringList items;
        bool d = false, m = false;
        w.readSearchSettings(items, d, m);
        if (down)
            *down = d;
        if (matchCase)
            *matchCase = m;
        return items;
    }

private slots:
    void init() { dir_ = std::make_unique<TempDir>(); }
    void cleanup() { dir_.reset(); }

    void missingFileWarnsAndTheFirstSaveWritesTheShippedDefaults()
    {
        WriteFileBytes(historyFile(), bytes("one\0two\0", 8));
        FakePrompts prompts;
        auto w = start(prompts);
        QCOMPARE(prompts.texts(MessageKind::Warning), QStringList{QStringLiteral("Файл Settings.ini не найден")});
        QCOMPARE(prompts.asked.size(), 1);
        QCOMPARE(prompts.asked.first().caption, QStringLiteral("Ошибка"));
        QCOMPARE(w->frameGeometry(), QRect(313, 213, 713, 666));
        QVERIFY(w->list()->showGrid());
        QCOMPARE(w->list()->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(w->list()->font().pointSize(), 8);
        // The history is read all the same; the search controls stay as they were built.
        bool down = false, matchCase = true;
        QCOMPARE(history(*w, &down, &matchCase), (QStringList{"one", "two"}));
        QVERIFY(down);
        QVERIFY(!matchCase);
        w.reset();

        // The new file has the layout of the one the build puts beside the program, so a
        // fresh build starts as quietly as the second run does.
        const QString shipped = QFINDTESTDATA("../../resources/Settings.ini");
        QVERIFY(!shipped.isEmpty());
        QCOMPARE(ReadFileBytes(settingsFile()), ReadFileBytes(shipped.toStdString()));
        FakePrompts again;
        start(again);
        QVERIFY(again.asked.isEmpty());
    }

    void oddValuesAreReadAndKeysKeepTheirPlaces()
    {
        const QString doc = writeDocument();
        writeSettings("; Zarnik settings\r\n"
                      "[Position]\r\nLeft=0x20\r\nTop=$30\r\n"
                      "[Size]\r\nWidth=wide\r\nCaptionWidth=0x3C\r\n"
                      "[edit]\r\ntop=100\r\nleft=200\r\nwidth=300\r\n"
                      "[File]\r\nLang=7\r\nUnknown=kept\r\n"
                      "[Options]\r\nUseGrig=0\r\nRecCount=$A\r\n"
                      "[String]\r\nLastString=-5\r\n"
                      "[Font]\r\nName=Courier New\r\nCharSet=204\r\nColor=-16777208\r\nSize=12\r\nStyle=$5\r\n"
                      "[Find]\r\nFindDown=0\r\nMatchCase=1\r\n");
        FakePrompts prompts;
        auto w = start(prompts, {doc});
        QVERIFY(prompts.asked.isEmpty());
        QCOMPARE(w->frameGeometry(), QRect(32, 48, 713, 666));  // junk width: the default
        QCOMPARE(w->list()->keyColumnWidth(), 60);
        // An unknown language shows the texts as stored.
        QCOMPARE(w->languageMode(), 7);
        QVERIFY(w->findChild<QAction*>(QStringLiteral("N30"))->isChecked());
        QCOMPARE(w->languageMenu()->title(), QStringLiteral("Язык"));
        QVERIFY(!w->list()->showGrid());
        const QFont font = w->list()->font();
        QCOMPARE(font.family(), QStringLiteral("Courier New"));
        QCOMPARE(font.pointSize(), 12);
        QVERIFY(font.bold() && font.underline() && !font.italic() && !font.strikeOut());
        // A system colour (here the window text colour) has no RGB value of its own.
        QCOMPARE(w->list()->palette().color(QPalette::Text), QGuiApplication::palette().color(QPalette::Text));
        QCOMPARE(w->currentIndex(), 0);  // a negative entry number: the first row
        bool down = true, matchCase = false;
        history(*w, &down, &matchCase);
        QVERIFY(!down);
        QVERIFY(matchCase);
        w.reset();

        QCOMPARE(ReadFileBytes(settingsFile()),
                 "; Zarnik settings\r\n"
                 "[Position]\r\nLeft=32\r\nTop=48\r\nMaximized=0\r\n"
                 "[Size]\r\nWidth=713\r\nCaptionWidth=60\r\nHeight=666\r\n"
                 "[edit]\r\ntop=100\r\nleft=200\r\nwidth=300\r\n"
                 "[File]\r\nLang=7\r\nUnknown=kept\r\nLastFile=" + doc.toStdString() + "\r\n"
                 "[Options]\r\nUseGrig=0\r\nRecCount=10\r\nAutoSize=1\r\nChangeDir=1\r\n"
                 "[String]\r\nLastString=0\r\n"
                 "[Font]\r\nName=Courier New\r\nCharSet=204\r\nColor=-16777208\r\nSize=12\r\nStyle=5\r\n"
                 "[Find]\r\nFindDown=0\r\nMatchCase=1\r\n");
    }

    void sizesUnderTheMinimumOpenAtTheMinimum_data()
    {
        QTest::addColumn<QSize>("stored");
        QTest::addColumn<QSize>("opened");
        QTest::newRow("both") << QSize(100, 100) << QSize(485, 350);
        QTest::newRow("width") << QSize(484, 500) << QSize(485, 500);
        QTest::newRow("height") << QSize(600, 349) << QSize(600, 350);
        QTest::newRow("exactly") << QSize(485, 350) << QSize(485, 350);
    }
    void sizesUnderTheMinimumOpenAtTheMinimum()
    {
        QFETCH(QSize, stored);
        QFETCH(QSize, opened);
        writeSettings("[Size]\r\nWidth=" + std::to_string(stored.width()) +
                      "\r\nHeight=" + std::to_string(stored.height()) + "\r\n");
        FakePrompts prompts;
        auto w = start(prompts);
        QCOMPARE(w->frameGeometry().size(), opened);
        w.reset();
        QCOMPARE(saved().readInt("Size", "Width", 0), opened.width());
        QCOMPARE(saved().readInt("Size", "Height", 0), opened.height());
    }

    void maximizedWindowKeepsTheStoredPlacement()
    {
        const QString doc = writeDocument();
        writeSettings("[Position]\r\nLeft=10\r\nTop=20\r\nMaximized=0\r\n[Size]\r\nWidth=600\r\nHeight=400\r\n");
        FakePrompts prompts;
        auto w = start(prompts, {doc});
        QCOMPARE(w->frameGeometry(), QRect(10, 20, 600, 400));
        w->showMaximized();
        QVERIFY(w->isMaximized());
        w->list()->selectionModel()->clearSelection();
        w.reset();
        const std::string placement = "[Position]\r\nLeft=10\r\nTop=20\r\nMaximized=1\r\n"
                                      "[Size]\r\nWidth=600\r\nHeight=400\r\n";
        QCOMPARE(ReadFileBytes(settingsFile()).substr(0, placement.size()), placement);
        QCOMPARE(saved().readInt("String", "LastString", 0), -1);  // no row selected

        w = start(prompts);  // the last file again
        QVERIFY(w->isMaximized());
        QCOMPARE(w->currentIndex(), 0);
        w->showNormal();  // back to the designed bounds, not the stored ones
        QCOMPARE(w->frameGeometry(), QRect(379, 348, 582, 478));
        w->showMaximized();
        w.reset();
        QCOMPARE(ReadFileBytes(settingsFile()).substr(0, placement.size()), placement);
    }

    void historyGoesThroughTheSearchHooks()
    {
        writeSettings("[Options]\r\nRecCount=20\r\n");
        // Empty records vanish; a last query without its zero byte is lost.
        WriteFileBytes(historyFile(), bytes("first\0\0second\0\xef\xee\xe8\xf1\xea\0tail", 24));
        FakePrompts prompts;
        auto w = start(prompts);
        QCOMPARE(history(*w), (QStringList{"first", "second", QStringLiteral("поиск")}));

        QStringList thirty;
        std::string first20;
        for (int i = 1; i <= 30; ++i) {
            thirty.append(QStringLiteral("q%1").arg(i));
            if (i <= 20)
                first20 += "q" + std::to_string(i) + '\0';
        }
        w->applySearchSettings(thirty, false, true);
        w.reset();
        QCOMPARE(ReadFileBytes(historyFile()), first20);
        QCOMPARE(saved().readInt("Find", "FindDown", -1), 0);
        QCOMPARE(saved().readInt("Find", "MatchCase", -1), 1);

        w = start(prompts);
        bool down = true, matchCase = false;
        QCOMPARE(history(*w, &down, &matchCase), thirty.mid(0, 20));
        QVERIFY(!down && matchCase);
        w.reset();

        writeSettings("[Options]\r\nRecCount=0\r\n");
        start(prompts).reset();
        QVERIFY(FileExists(historyFile()));
        QCOMPARE(ReadFileBytes(historyFile()), std::string());
    }

    void settingsGoElsewhereWhenTheProgramFolderIsReadOnly()
    {
        TempDir config;
        const QString fallback = QString::fromStdString(config.path()) + "/zarnik";
        int probed = 0;
        const auto readOnly = [&probed](const QString&) { ++probed; return false; };
        const ProgramDirectory dirs(dirPath(), fallback, readOnly);
        QCOMPARE(dirs.file("Readme.txt"), dirPath() + "/Readme.txt");
        QCOMPARE(dirs.settingsFile("Settings.ini"), fallback + "/Settings.ini");
        QCOMPARE(ProgramDirectory(dirPath(), fallback, [](const QString&) { return true; }).settingsPath(),
                 dirPath() + "/");
        // A folder that is not there is not probed: its absence is reported at save time.
        QCOMPARE(ProgramDirectory(dirPath() + "/gone", fallback, readOnly).settingsPath(),
                 dirPath() + "/gone/");
        QCOMPARE(probed, 1);

        // The first run takes the defaults that came with the program, silently.
        const std::string shipped = "[File]\r\nLang=2\r\n";
        writeSettings(shipped);
        FakePrompts prompts;
        auto w = std::make_unique<MainWindow>(prompts, dirs, QStringList{});
        QVERIFY(prompts.asked.isEmpty());
        QCOMPARE(w->languageMode(), 2);
        w->SelectMode(1);
        w->applySearchSettings({"q"}, true, false);
        w.reset();
        QVERIFY(prompts.asked.isEmpty());
        QCOMPARE(ReadFileBytes(settingsFile()), shipped);
        QVERIFY(!FileExists(historyFile()));
        QCOMPARE(zarnik::IniFile::load((fallback + "/Settings.ini").toStdString()).readInt("File", "Lang", 0), 1);
        QCOMPARE(ReadFileBytes((fallback + "/LastSearched.ini").toStdString()), bytes("q\0", 2));

        w = std::make_unique<MainWindow>(prompts, dirs, QStringList{});
        QCOMPARE(w->languageMode(), 1);
        QCOMPARE(history(*w), QStringList{"q"});
    }

    void theRealProbeCreatesAFile()
    {
        QVERIFY(ProgramDirectory::canCreateFilesIn(dirPath()));
        QVERIFY(QDir(dirPath()).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
        // Not writable even for root, whatever its permission bits say.
        if (!QFileInfo(QStringLiteral("/proc/self")).isDir())
            QSKIP("no /proc");
        QVERIFY(!ProgramDirectory::canCreateFilesIn(QStringLiteral("/proc")));
    }

    void removedProgramFolderIsReportedAtExit()
    {
        writeSettings("");
        FakePrompts prompts;
        auto w = start(prompts);
        w->applySearchSettings({"query"}, true, false);
        std::filesystem::remove_all(dir_->path());
        w.reset();
        QCOMPARE(prompts.texts(MessageKind::Warning), QStringList{QStringLiteral("Каталог удалён!")});
        QCOMPARE(prompts.asked.first().caption, QStringLiteral("Ошибка"));
        // The history is still attempted, and fails with the error box.
        const QStringList errors = prompts.texts(MessageKind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors.first().contains(QStringLiteral("LastSearched.ini")), qPrintable(errors.first()));
        QVERIFY(!QFileInfo::exists(dirPath()));
    }

    void filesThatCannotBeWrittenGiveTheErrorBox()
    {
        // A Settings.ini that cannot be read or written: defaults, an error at start and at
        // exit, and nothing else is written after it.
        std::filesystem::create_directory(settingsFile());
        FakePrompts prompts;
        auto w = start(prompts);
        QCOMPARE(prompts.texts(MessageKind::Error).size(), 1);
        QVERIFY(prompts.texts(MessageKind::Warning).isEmpty());
        QCOMPARE(w->frameGeometry(), QRect(313, 213, 713, 666));
        w.reset();
        const QStringList errors = prompts.texts(MessageKind::Error);
        QCOMPARE(errors.size(), 2);
        QVERIFY2(errors.last().contains(QStringLiteral("Settings.ini")), qPrintable(errors.last()));
        QVERIFY(std::filesystem::is_directory(settingsFile()));
        QVERIFY(!FileExists(historyFile()));

        // A history file that cannot be replaced: Settings.ini is written all the same, and
        // no temporary file is left behind.
        std::filesystem::remove(settingsFile());
        writeSettings("; mine\r\n");
        std::filesystem::create_directory(historyFile());
        FakePrompts second;
        w = start(second);
        w.reset();
        const QStringList historyErrors = second.texts(MessageKind::Error);
        QCOMPARE(historyErrors.size(), 2);  // reading it at start, writing it at exit
        QVERIFY(historyErrors.last().contains(QStringLiteral("LastSearched.ini")));
        QVERIFY(saved().contains("Position", "Maximized"));
        QCOMPARE(QDir(dirPath()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 (QStringList{"LastSearched.ini", "Settings.ini"}));
    }
};

QTEST_MAIN(SettingsTest)
#include "tst_settings.moc"
