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
#include "windowtest.h"

#include <QComboBox>
#include <QtTest>

#include <X11/Xatom.h>
#include <X11/Xlib.h>

using namespace zarnik::testing;

class RealWindowTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> w_;

    QString gamePath() const { return path("game.gxt"); }
    EntryListView* list() const { return w_->list(); }

    // Starts the editor as a user does and waits until the window manager has framed it
    // and the resizes that follow have settled.
    void start(const QStringList& args = {})
    {
        w_.reset();
        prompts_ = FakePrompts();
        w_ = startWindow(args);
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
    // The whole row is on screen, not cut at the top or bottom edge.
    bool rowInFullView(int row) const
    {
        const QRect r = list()->visualRect(w_->listModel()->index(row, 0));
        return r.isValid() && list()->viewport()->rect().contains(r);
    }
    QString rowReport(int row) const
    {
        return QStringLiteral("row %1 at y %2, list %3 px high, panel 1 \"%4\"")
            .arg(row)
            .arg(list()->visualRect(w_->listModel()->index(row, 0)).y())
            .arg(list()->viewport()->height())
            .arg(w_->statusText(1));
    }
    // The caption the window manager shows, as X holds it.
    QByteArray shownCaption() const
    {
        Display* dpy = XOpenDisplay(nullptr);
        if (!dpy)
            return "<no display>";
        Atom type;
        int format;
        unsigned long count = 0, after;
        unsigned char* data = nullptr;
        QByteArray title = "<none>";
        if (XGetWindowProperty(dpy, static_cast<Window>(w_->winId()), XInternAtom(dpy, "_NET_WM_NAME", False),
                               0, 4096, False, XInternAtom(dpy, "UTF8_STRING", False), &type, &format,
                               &count, &after, &data) == Success && data) {
            title = QByteArray(reinterpret_cast<char*>(data), static_cast<qsizetype>(count));
            XFree(data);
        }
        XCloseDisplay(dpy);
        return title;
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
        freshFolder(false);
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

    // The first entry is in view after the file opens, at start-up and by "Открыть..";
    // an entry further down is brought into view.
    void firstEntryVisibleAfterOpening()
    {
        start({gamePath()});  // the current entry is the second, as without settings
        QCOMPARE(w_->currentIndex(), 1);
        QVERIFY2(rowInFullView(0) && rowInFullView(1), qPrintable(rowReport(0)));

        prompts_.openNames = {gamePath()};
        QTest::keyClick(w_.get(), Qt::Key_L, Qt::ControlModifier);
        QTest::qWait(100);  // past the nudge
        QVERIFY2(rowInFullView(0) && rowInFullView(1), qPrintable(rowReport(0)));

        QTest::keyClick(list(), Qt::Key_PageDown);
        QTest::keyClick(list(), Qt::Key_PageDown);
        const int far = w_->currentIndex();
        QVERIFY(far > 20);
        prompts_.openNames = {gamePath()};
        QTest::keyClick(w_.get(), Qt::Key_L, Qt::ControlModifier);
        QTest::qWait(100);
        QCOMPARE(w_->currentIndex(), far);
        QVERIFY2(rowInFullView(far), qPrintable(rowReport(far)));
    }

    // Each refill (F5, a mode switch) starts from the top and brings the current row into
    // view; five of them in a row leave it where panel 1 says it is, in view.
    void currentRowVisibleAfterFiveRefills()
    {
        start({gamePath()});
        list()->setFocus();
        for (int row : {0, 1, 17, 300, 2599}) {
            list()->selectRow(row);
            for (int i = 0; i < 5; ++i) {
                QTest::keyClick(w_.get(), i % 2 ? Qt::Key_F5 : i == 2 ? Qt::Key_P : Qt::Key_B,
                                i % 2 ? Qt::NoModifier : Qt::ControlModifier);
                QTest::qWait(40);  // the nudge comes 10 ms after the refill
            }
            QCOMPARE(w_->currentIndex(), row);
            QVERIFY(w_->statusText(1).startsWith(QStringLiteral("%1/2600").arg(row + 1)));
            QVERIFY2(rowInFullView(row), qPrintable(rowReport(row)));
        }
    }

    // The found row is the list's own row: the next arrow key moves on from it. The focus
    // stays in the query field for the next search; a miss blanks the caption itself.
    void foundRowBecomesTheKeyboardRow()
    {
        start({gamePath()});
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Home);
        QTest::keyClick(w_.get(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(w_->searchPanel()->isVisible());
        QWidget* field = QApplication::focusWidget();
        QTest::keyClicks(field, "garage");
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(w_->statusText(2), QStringLiteral("Текст найден"));
        const int found = w_->currentIndex();
        QVERIFY(found > 0);
        QCOMPARE(QApplication::focusWidget(), field);
        QTest::qWait(40);
        QVERIFY2(rowInFullView(found), qPrintable(rowReport(found)));
        QTest::keyClick(field, Qt::Key_Return);  // the next one, from the found row
        const int next = w_->currentIndex();
        QVERIFY(next > found);
        QCOMPARE(list()->currentIndex().row(), next);

        QTest::keyClick(field, Qt::Key_Escape);  // the panel hides, the list has the keys
        QCOMPARE(QApplication::focusWidget(), list());
        QTest::keyClick(list(), Qt::Key_Down);
        QCOMPARE(w_->currentIndex(), next + 1);

        const QByteArray before = shownCaption();
        QVERIFY(before.contains("game.gxt"));
        QTest::keyClick(w_.get(), Qt::Key_F, Qt::ControlModifier);
        field = QApplication::focusWidget();
        QTest::keyClicks(field, "qqqzzz");
        QTest::keyClick(field, Qt::Key_Return);
        QCOMPARE(w_->statusText(2), QStringLiteral("Текст не найден"));
        QTest::qWait(60);
        QCOMPARE(shownCaption(), QByteArray(" "));  // shows as nothing; Qt never sends an empty one
        QCOMPARE(w_->windowTitle(), QString());
        QTest::qWait(400);
        QCOMPARE(shownCaption(), before);
    }
};

QTEST_MAIN(RealWindowTest)
#include "tst_realwindow.moc"
