// SPDX-License-Identifier: GPL-3.0-or-later
// Where the editor keeps its files, depending on how the copy was laid out: installed
// (bin/ beside share/zarnik/) or run from a build or unpacked folder.
#include "fakeprompts.h"
#include "mainwindow.h"
#include "tempdir.h"

#include <QAction>
#include <QDir>
#include <QPlainTextEdit>
#include <QtTest>

#include <filesystem>

using namespace zarnik::testing;

namespace fs = std::filesystem;

class ProgramDirectoryTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> root_;

    std::string at(const std::string& relative) const { return root_->path() + "/" + relative; }
    QString q(const std::string& relative) const { return QString::fromStdString(at(relative)); }
    void write(const std::string& relative, const std::string& bytes) const
    {
        fs::create_directories(fs::path(at(relative)).parent_path());
        WriteFileBytes(at(relative), bytes);
    }
    static QStringList entries(const QString& dir)
    {
        return QDir(dir).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    }

    // One run of the editor: reads the settings, shows the readme, changes the language
    // mode and a search query, and saves everything on close. Returns the readme's text.
    static QString runEditor(const ProgramDirectory& dirs, FakePrompts& prompts, int mode)
    {
        QString readme;
        prompts.dialogHandler = [&readme](QDialog* d) {
            readme = d->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))->toPlainText();
            return int(QDialog::Rejected);
        };
        MainWindow w(prompts, dirs, {});
        w.show();
        w.findChild<QAction*>(QStringLiteral("Readmetxt1"))->trigger();
        w.SelectMode(mode);
        w.applySearchSettings({QStringLiteral("q%1").arg(mode)}, true, false);
        return readme;
    }

private slots:
    void init() { root_ = std::make_unique<TempDir>(); }
    void cleanup() { root_.reset(); }

    void anInstalledCopyKeepsTheUsersSettingsInTheConfigFolder()
    {
        write("usr/share/zarnik/Readme.txt", "shipped help\r\n");
        write("usr/share/zarnik/Settings.ini", "[File]\r\nLang=2\r\n");
        fs::create_directories(at("usr/bin"));
        fs::create_directories(at("home/.config"));
        // The bin folder can be written (as root can write /usr/bin), and still is not used.
        QVERIFY(ProgramDirectory::canCreateFilesIn(q("usr/bin")));
        const ProgramDirectory dirs = ProgramDirectory::forExecutableIn(q("usr/bin"), q("home/.config/zarnik"));
        QCOMPARE(dirs.path(), q("usr/share/zarnik/"));
        QCOMPARE(dirs.settingsPath(), q("home/.config/zarnik/"));

        // The first start takes the shipped defaults, silently; the first close writes the
        // user's own files, and only there.
        FakePrompts first;
        QCOMPARE(runEditor(dirs, first, 1), QStringLiteral("shipped help"));
        QVERIFY2(first.texts(MessageKind::Warning).isEmpty(), qPrintable(first.texts(MessageKind::Warning).join('|')));
        QVERIFY(first.texts(MessageKind::Error).isEmpty());
        QCOMPARE(entries(q("usr/bin")), QStringList());
        QCOMPARE(entries(q("usr/share/zarnik")), (QStringList{"Readme.txt", "Settings.ini"}));
        QCOMPARE(ReadFileBytes(at("usr/share/zarnik/Settings.ini")), "[File]\r\nLang=2\r\n");
        QCOMPARE(entries(q("home/.config/zarnik")), (QStringList{"LastSearched.ini", "Settings.ini"}));
        QCOMPARE(ReadFileBytes(at("home/.config/zarnik/LastSearched.ini")), std::string("q1\0", 3));

        // The next start reads the user's file, not the shipped one.
        FakePrompts second;
        MainWindow w(second, dirs, {});
        QCOMPARE(w.languageMode(), 1);
    }

    void otherLayoutsKeepTheFilesBesideTheExecutable()
    {
        const QString config = q("home/.config/zarnik");
        write("unpacked/Readme.txt", "unpacked help\r\n");
        write("unpacked/Settings.ini", "[File]\r\nLang=2\r\n");
        write("prefix/bin/Readme.txt", "help beside\r\n");  // bin/ with no share/zarnik/ beside it
        write("build/share/zarnik/Readme.txt", "not ours\r\n");  // share/zarnik/ beside no bin/
        fs::create_directories(at("build/app"));
        write("other/bin/x", "");
        write("other/share/zarnik", "a file, not a folder");

        for (const char* exeDir : {"unpacked", "prefix/bin", "build/app", "other/bin"}) {
            const ProgramDirectory dirs = ProgramDirectory::forExecutableIn(q(exeDir), config);
            QCOMPARE(dirs.path(), q(exeDir) + "/");
            QCOMPARE(dirs.settingsPath(), q(exeDir) + "/");
        }

        // An unpacked copy reads and writes beside itself, as it always has.
        FakePrompts prompts;
        const ProgramDirectory unpacked = ProgramDirectory::forExecutableIn(q("unpacked"), config);
        QCOMPARE(runEditor(unpacked, prompts, 1), QStringLiteral("unpacked help"));
        QVERIFY(!fs::exists(at("home")));
        QCOMPARE(entries(q("unpacked")), (QStringList{"LastSearched.ini", "Readme.txt", "Settings.ini"}));
        QVERIFY(zarnik::testing::ReadFileBytes(at("unpacked/Settings.ini")).find("Lang=1") != std::string::npos);

        // A data folder named in another place relative to bin/ (a changed install layout).
        write("opt/data/zarnik/Readme.txt", "");
        fs::create_directories(at("opt/bin"));
        const ProgramDirectory moved = ProgramDirectory::forExecutableIn(q("opt/bin"), config, "../data/zarnik");
        QCOMPARE(moved.path(), q("opt/data/zarnik/"));
        QCOMPARE(moved.settingsPath(), config + "/");
    }
};

QTEST_MAIN(ProgramDirectoryTest)
#include "tst_programdirectory.moc"
