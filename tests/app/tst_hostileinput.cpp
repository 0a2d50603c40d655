// SPDX-License-Identifier: GPL-3.0-or-later
// Input that is loadable but hostile: a text of millions of characters, window placements
// far beyond any screen, a search history of a hundred thousand queries. The window must
// start as usual and keep the user's data whole.
#include "commands.h"
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "fakeprompts.h"
#include "gxtbuilder.h"
#include "format/gxtdocument.h"
#include "inifile.h"
#include "mainwindow.h"
#include "tempdir.h"
#include "windowplacement.h"

#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QtTest>

using namespace zarnik::testing;

class HostileInputTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    FakePrompts prompts_;
    std::unique_ptr<MainWindow> w_;

    void start(const QStringList& args = {})
    {
        w_.reset();
        prompts_ = FakePrompts();
        w_ = std::make_unique<MainWindow>(prompts_, ProgramDirectory(QString::fromStdString(dir_->path())), args);
        w_->show();
    }
    QRect screenArea() const { return QGuiApplication::primaryScreen()->availableGeometry(); }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        WriteFileBytes(dir_->file("Settings.ini"), "");
    }
    void cleanup() { w_.reset(); dir_.reset(); }

    void longTextIsShownCutAndKeptWhole()
    {
        std::string text(3'000'000, 'a');
        text.replace(2'500'000, 6, "needle");
        const std::string file = dir_->file("long.gxt");
        WriteFileBytes(file, GxtBuilder('E').add("short", "x").add("long", text).build());
        start({QString::fromStdString(file)});
        QVERIFY(w_->isLoaded());

        const auto* model = static_cast<const EntryListModel*>(w_->list()->model());
        const QString shown = model->data(model->index(1, 1), Qt::DisplayRole).toString();
        QCOMPARE(shown.size(), qsizetype(EntryListModel::kShownLimit + 1));
        QCOMPARE(shown.back(), QChar(0x2026));
        QCOMPARE(model->data(model->index(0, 1), Qt::DisplayRole).toString(), QStringLiteral("x"));
        // The width of the text column follows what is shown, not the whole text.
        QVERIFY2(w_->list()->columnWidth(1) < int(EntryListModel::kShownLimit) * 40,
                 qPrintable(QString::number(w_->list()->columnWidth(1))));
        // The position panel counts the whole text, and a save writes it whole.
        QCOMPARE(w_->statusText(1), QStringLiteral("2/2 (3000000)"));
        w_->session().restoreText(0);  // an unsaved change that leaves the texts as they are
        w_->action(Command::Save)->trigger();
        QCOMPARE(std::string(zarnik::LoadGxtFile(file).text(1)), text);
    }

    void placementIsFittedToTheScreen()
    {
        const QRect area = screenArea();
        const struct {
            const char* ini;
        } cases[] = {
            {"[Size]\r\nWidth=2147483647\r\nHeight=2147483647\r\n"
             "[Position]\r\nLeft=2147483647\r\nTop=2147483647\r\n"},
            {"[Size]\r\nWidth=100000\r\nHeight=100000\r\n[Position]\r\nLeft=-100000\r\nTop=-2147483648\r\n"},
            {"[Size]\r\nWidth=10\r\nHeight=10\r\n[Position]\r\nLeft=-20\r\nTop=99999\r\n"},
        };
        for (const auto& c : cases) {
            WriteFileBytes(dir_->file("Settings.ini"), c.ini);
            start();
            const QRect placed = w_->frameGeometry();
            QVERIFY2(area.contains(placed) || placed.topLeft() == area.topLeft(), c.ini);
            QVERIFY(placed.width() >= 485 && placed.height() >= 350);
            w_.reset();  // writes the settings: the placement used, not the one stored
            const zarnik::IniFile ini = zarnik::IniFile::load(dir_->file("Settings.ini"));
            const QRect written(ini.readInt("Position", "Left", -1), ini.readInt("Position", "Top", -1),
                                ini.readInt("Size", "Width", -1), ini.readInt("Size", "Height", -1));
            QCOMPARE(written, placed);
        }
    }

    void fitPlacementKeepsTheMinimumAndTheCaptionOnScreen()
    {
        const QSize minimum(485, 350);
        const QRect second(1920, 0, 1280, 1024);  // a screen right of the first
        QCOMPARE(FitPlacement(2000, 100, 700, 600, second, minimum), QRect(2000, 100, 700, 600));
        QCOMPARE(FitPlacement(0, 0, 700, 600, second, minimum), QRect(1920, 0, 700, 600));
        QCOMPARE(FitPlacement(3100, 900, 700, 600, second, minimum), QRect(2500, 424, 700, 600));
        QCOMPARE(FitPlacement(INT64_MAX / 2, INT64_MIN / 2, INT64_MAX / 2, 1, second, minimum),
                 QRect(1920, 0, 1280, 350));
        // A screen smaller than the minimum: the minimum wins, the corner stays on the screen.
        QCOMPARE(FitPlacement(500, 500, 700, 600, QRect(0, 0, 400, 300), minimum), QRect(0, 0, 485, 350));
    }

    void searchHistoryIsReadOnlyAsFarAsItCanBeKept()
    {
        std::string history;
        for (int i = 0; i < 200'000; ++i)
            history += "query " + std::to_string(i) + '\0';
        WriteFileBytes(dir_->file("LastSearched.ini"), history);
        for (const auto& [recCount, expected] : {std::pair{20, 100}, std::pair{500, 500}, std::pair{2147483647, 10000}}) {
            WriteFileBytes(dir_->file("Settings.ini"), "[Options]\r\nRecCount=" + std::to_string(recCount) + "\r\n");
            start();
            QStringList items;
            bool down, matchCase;
            w_->readSearchSettings(items, down, matchCase);
            QCOMPARE(items.size(), expected);
            QCOMPARE(items.first(), QStringLiteral("query 0"));
            QCOMPARE(items.last(), QStringLiteral("query %1").arg(expected - 1));
            w_.reset();
            WriteFileBytes(dir_->file("LastSearched.ini"), history);
        }
    }
};

QTEST_MAIN(HostileInputTest)
#include "tst_hostileinput.moc"
