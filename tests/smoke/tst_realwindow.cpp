// The editor in a real X window under a real window manager (run by with_openbox.sh),
// with a file shaped and sized like a game's: the frame put around the window after it
// is shown, minimising and maximising are the window manager's doing, as on a desktop.
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "fakeprompts.h"
#include "generator.h"
#include "inifile.h"
#include "mainwindow.h"
#include "searchpanel.h"
#include "tempdir.h"

#include <QComboBox>
#include <QtTest>

using namespace zarnik::testing;

class RealWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    FakePrompts prompts_;
    std::unique_ptr<MainWindow> w_;

    QString gamePath() const { return QString::fromStdString(dir_->file("game.gxt")); }
    EntryListView* list() const { return w_->list(); }

    // Starts the editor as a user does and waits until the window manager has framed it
    // and the resizes that follow have settled.
    void start(const QStringList& args = {})
    {
        w_.reset();
        prompts_ = FakePrompts();
        w_ = std::make_unique<MainWindow>(prompts_, ProgramDirectory(QString::fromStdString(dir_->path())), args);
        w_->show();
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        QTRY_VERIFY(w_->frameGeometry().size() != w_->size());
        QTest::qWait(300);
    }
    // The width that shows the widest key of the file unshortened (text and padding).
    int widestKeyNeeds() const
    {
        const QFontMetrics fm(list()->font());
        int widest = 0;
        for (int row = 0; row < w_->listModel()->rows(); ++row)
            widest = std::max(widest, fm.horizontalAdvance(Cp1251ToQString(w_->listModel()->keyText(row))));
        return std::min(80, widest + 6);
    }
    QString keyWidths() const
    {
        return QStringLiteral("key column %1 px, widest key needs %2 px")
            .arg(list()->keyColumnWidth())
            .arg(widestKeyNeeds());
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        WriteFileBytes(dir_->file("game.gxt"), zarnik::bench::GenerateGxt(2600));
        WriteFileBytes(dir_->file("Settings.ini"),
                       "[Size]\r\nWidth=713\r\nHeight=600\r\n[Position]\r\nLeft=100\r\nTop=60\r\n");
    }
    void cleanup() { w_.reset(); dir_.reset(); }

    // The texts are far wider than the list, so each resize (the frame correction, the
    // search panel opening) used to squeeze the keys to "…", which the next start kept.
    void keyColumnAfterStartUpSearchPanelAndRestart()
    {
        start({gamePath()});
        QVERIFY(list()->columnWidth(1) > list()->viewport()->width());
        QVERIFY2(list()->keyColumnWidth() >= widestKeyNeeds(), qPrintable(keyWidths()));

        QTest::keyClick(w_.get(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(w_->searchPanel()->isVisible());
        QTest::qWait(100);
        QVERIFY2(list()->keyColumnWidth() >= widestKeyNeeds(), qPrintable(keyWidths()));

        w_.reset();  // the settings are saved
        const int saved = zarnik::IniFile::load(dir_->file("Settings.ini")).readInt("Size", "CaptionWidth", 0);
        start();  // the remembered file
        QVERIFY(w_->isLoaded());
        QVERIFY2(saved >= widestKeyNeeds(), qPrintable(QString::number(saved)));
        QVERIFY2(list()->keyColumnWidth() >= widestKeyNeeds(), qPrintable(keyWidths()));
    }

    // Esc minimises the window (the search panel hidden) and a window that was maximized
    // starts maximized, keys readable.
    void escMinimisesAndAMaximizedWindowComesBackMaximized()
    {
        start({gamePath()});
        QTest::keyClick(w_.get(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(w_->searchPanel()->isVisible());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(!w_->searchPanel()->isVisible());
        QVERIFY(!w_->isMinimized());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        QTRY_VERIFY(w_->isMinimized());

        w_->showMaximized();
        QTRY_VERIFY(w_->isMaximized());
        w_.reset();
        start();
        QTRY_VERIFY(w_->isMaximized());
        QVERIFY2(list()->keyColumnWidth() >= widestKeyNeeds(), qPrintable(keyWidths()));
    }
};

QTEST_MAIN(RealWindowTest)
#include "tst_realwindow.moc"
