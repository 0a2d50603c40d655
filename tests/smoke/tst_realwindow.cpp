// SPDX-License-Identifier: GPL-3.0-or-later
// The editor in a real X window under a real window manager (run by with_openbox.sh),
// with a file shaped and sized like a game's: the frame put around the window after it
// is shown, minimising and maximising are the window manager's doing, as on a desktop.
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "fakeprompts.h"
#include "generator.h"
#include "inifile.h"
#include "mainwindow.h"
#include "qtprompts.h"
#include "russianinterface.h"
#include "searchpanel.h"
#include "tempdir.h"
#include "windowtest.h"

#include <QClipboard>
#include <QComboBox>
#include <QFileDialog>
#include <QTreeView>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QtTest>

#include "xwindowstate.h"  // after Qt: Xlib defines macros Qt's names use

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <functional>
#include <vector>

using namespace zarnik::testing;

// Keys pressed through the X server, as a keyboard presses them: each goes to the window
// and control that has the focus, past the window manager and the grabs of open menus.
class XKeys {
public:
    using Chord = std::vector<KeySym>;  // pressed in order, released in reverse
    XKeys() : dpy_(XOpenDisplay(nullptr)) {}
    ~XKeys() { XCloseDisplay(dpy_); }
    void press(const std::vector<Chord>& chords) const
    {
        for (const Chord& chord : chords) {
            for (KeySym k : chord)
                XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, k), True, CurrentTime);
            for (auto k = chord.rbegin(); k != chord.rend(); ++k)
                XTestFakeKeyEvent(dpy_, XKeysymToKeycode(dpy_, *k), False, CurrentTime);
            XSync(dpy_, False);
            QTest::qWait(150);  // the events read, menus shown or closed, the window manager's answer
        }
    }

private:
    Display* dpy_;
};

class RealWindowTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> w_;
    XKeys keys_;
    QtPrompts qtPrompts_;  // Qt's own dialogs and message boxes, as the program shows them

    QString gamePath() const { return path("game.gxt"); }
    EntryListView* list() const { return w_->list(); }

    // Starts the editor as a user does and waits until the window manager has framed it
    // and the resizes that follow have settled.
    void start(const QStringList& args = {}, bool realPrompts = false)
    {
        w_.reset();
        prompts_ = FakePrompts();
        if (realPrompts) {
            w_ = std::make_unique<MainWindow>(qtPrompts_, ProgramDirectory(dirPath()), args);
            w_->show();
        } else {
            w_ = startWindow(args);
        }
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        QTRY_VERIFY(framed(w_->winId()));
        QTest::qWait(300);
        w_->activateWindow();
        QTRY_VERIFY(w_->isActiveWindow());  // the keyboard's keys go to it
    }
    // What the next Esc should close: an open popup first, then the menu bar, the search
    // panel, and last the window itself.
    QString topmost() const
    {
        if (const QWidget* popup = QApplication::activePopupWidget())
            return popup->objectName() == QLatin1String("PopupMenu1") ? QStringLiteral("popup menu")
                   : qobject_cast<const QMenu*>(popup)                ? QStringLiteral("menu")
                                                                      : QStringLiteral("list");
        if (w_->isMinimized())
            return QStringLiteral("minimized");
        if (w_->menuBar()->activeAction())
            return QStringLiteral("menu bar");
        return w_->searchPanel()->isVisible() ? QStringLiteral("panel") : QStringLiteral("window");
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
    // The window functions a window asks its frame for (Motif hints, which Qt sets from the
    // window flags): what it offers besides moving and resizing.
    static QString askedFunctions(WId window)
    {
        const QByteArray hints = xProperty(window, "_MOTIF_WM_HINTS", "_MOTIF_WM_HINTS");
        if (hints.size() < qsizetype(2 * sizeof(long)))
            return QStringLiteral(" <no hints>");
        const auto* h = reinterpret_cast<const long*>(hints.data());
        auto allows = [&](long function) {  // bit 0: all but those listed
            return !(h[0] & 1) || ((h[1] & 1) ? !(h[1] & function) : (h[1] & function) != 0);
        };
        QString asked;
        if (allows(1 << 3))
            asked += QStringLiteral(" +minimise");
        if (allows(1 << 4))
            asked += QStringLiteral(" +maximise");
        if (!allows(1 << 5))
            asked += QStringLiteral(" -close");
        return asked;
    }
    // The caption the window manager shows, as X holds it.
    QByteArray shownCaption() const { return xProperty(w_->winId(), "_NET_WM_NAME", "UTF8_STRING"); }
    // Runs `opens`, which brings up a modal window, and reads that window once the window
    // manager has framed it: its caption, and whether it asks to be minimised or maximised
    // (openbox offers both on every dialog whatever it asks; Windows and most others obey).
    // Esc, pressed as a user does, then closes it.
    QString readModal(const std::function<void()>& opens, const std::function<QString(QWidget*)>& more = {})
    {
        QString seen = QStringLiteral("<nothing opened>");
        // An Esc the window manager swallows is pressed again, and a window that never gets
        // its frame or never closes is closed by hand after a while: a test must not hang.
        int escapes = 0;
        bool busy = false;
        QElapsedTimer shown;
        QTimer poll;
        poll.setInterval(50);
        connect(&poll, &QTimer::timeout, this, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (busy || !modal)
                return;
            if (!shown.isValid())
                shown.start();
            const bool isFramed = framed(modal->winId());
            if (!isFramed && shown.elapsed() < 10000)
                return;
            busy = true;
            if (escapes == 0) {
                QTest::qWait(200);
                seen = modal->windowTitle() + askedFunctions(modal->winId());
                if (!isFramed)
                    seen += QStringLiteral(" <no frame>");
                if (more)
                    seen += more(modal);
                poll.setInterval(1000);
            }
            if (escapes == 5) {
                seen += QStringLiteral(" <not closed by Esc>");
                modal->close();
            } else {
                keys_.press({{XK_Escape}});
            }
            ++escapes;
            busy = false;
        });
        poll.start();
        opens();
        if (!QTest::qWaitFor([] { return !QApplication::activeModalWidget(); }, 15000))
            seen += QStringLiteral(" <not closed by Esc>");
        poll.stop();
        if (escapes > 1 && !seen.endsWith(QStringLiteral(">")))
            seen += QStringLiteral(" <Esc pressed %1 times>").arg(escapes);
        return seen;
    }
    QString keyWidths() const
    {
        return QStringLiteral("key column %1 px, widest key needs %2 px")
            .arg(list()->keyColumnWidth())
            .arg(widestKeyNeeds());
    }

    // The detail columns of Qt's file dialog on the row of `file`: what they show where
    // that is not Russian or not readable in full.
    static QString unreadableDetails(QWidget* dialog, const QString& file)
    {
        static_cast<QFileDialog*>(dialog)->setViewMode(QFileDialog::Detail);
        auto* view = dialog->findChild<QTreeView*>();
        QModelIndex row;
        const bool shown = QTest::qWaitFor([&] {
            row = view->model()->match(view->model()->index(0, 0, view->rootIndex()), Qt::DisplayRole, file, 1,
                                       Qt::MatchExactly).value(0);
            return row.isValid() && !row.siblingAtColumn(3).data().toString().isEmpty();
        });
        if (!shown)
            return QStringLiteral(" <%1 not listed>").arg(file);
        QString bad;
        for (int column = 1; column < 4; ++column) {
            const QString text = row.siblingAtColumn(column).data().toString();
            const bool latin = column != 2 && text.contains(QRegularExpression(QStringLiteral("[A-Za-z]")));
            if (latin || view->columnWidth(column) < view->fontMetrics().horizontalAdvance(text))
                bad += QStringLiteral(" [%1 in %2 px]").arg(text).arg(view->columnWidth(column));
        }
        return bad;
    }

private slots:
    void initTestCase() { InstallRussianInterface(*qApp); }
    void init()
    {
        freshFolder(false);
        WriteFileBytes(dir_->file("game.gxt"), zarnik::bench::GenerateGxt(2600));
        WriteFileBytes(dir_->file("Settings.ini"),
                       "[Size]\r\nWidth=713\r\nHeight=600\r\n[Position]\r\nLeft=100\r\nTop=60\r\n");
        WriteFileBytes(dir_->file("LastSearched.ini"), std::string("garage\0bomb\0", 12));
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

    // Each Esc closes the one thing on top: an open menu or list, then the menu bar, then
    // the search panel; only an Esc with nothing left to close minimises the window.
    void escapeClosesOneThingAtATime()
    {
        using K = XKeys::Chord;
        const K esc{XK_Escape}, alt{XK_Alt_L}, down{XK_Down}, find{XK_Control_L, XK_f};
        const struct {
            const char* opened;
            std::vector<K> keys;
            QStringList after;  // what is on top after the keys, then after each Esc
        } cases[] = {
            {"a menu by Alt, Down", {alt, down}, {"menu", "menu bar", "window", "minimized"}},
            {"the menu bar by Alt alone", {alt}, {"menu bar", "window", "minimized"}},
            {"the history list", {find, {XK_Alt_L, XK_Down}}, {"list", "panel", "window", "minimized"}},
            {"a menu over the search panel", {find, alt, down}, {"menu", "menu bar", "panel", "window", "minimized"}},
            {"the popup menu by Shift+F10", {{XK_Shift_L, XK_F10}}, {"popup menu", "window", "minimized"}},
            {"the popup menu by the Menu key", {{XK_Menu}}, {"popup menu", "window", "minimized"}},
        };
        QStringList seen, expected;
        for (const auto& c : cases) {
            start({gamePath()});
            keys_.press(c.keys);
            QStringList tops = {topmost()};
            while (tops.size() < c.after.size()) {
                keys_.press({esc});
                tops.append(topmost());
            }
            seen.append(QStringLiteral("%1: %2").arg(c.opened, tops.join(QStringLiteral(", "))));
            expected.append(QStringLiteral("%1: %2").arg(c.opened, c.after.join(QStringLiteral(", "))));
        }
        QVERIFY2(seen == expected, qPrintable(QStringLiteral("\nseen:\n%1\nexpected:\n%2")
                                                  .arg(seen.join(QLatin1Char('\n')), expected.join(QLatin1Char('\n')))));
    }

    // While the query field has the focus, the text-editing keys edit the query, never the
    // current entry; the other menu keys still act on the document.
    void textKeysEditTheQueryNotTheEntry()
    {
        using K = XKeys::Chord;
        const K ctrlA{XK_Control_L, XK_a}, ab[] = {{XK_a}, {XK_b}};
        const struct {
            std::vector<K> keys;  // after typing "ab" into the field
            const char* field;
            const char* clipboard;
        } cases[] = {
            {{{XK_Control_L, XK_v}}, "abкот", "кот"},
            {{{XK_Shift_L, XK_Insert}}, "abкот", "кот"},
            {{ctrlA, {XK_Control_L, XK_c}}, "ab", "ab"},
            {{ctrlA, {XK_Control_L, XK_Insert}}, "ab", "ab"},
            {{ctrlA, {XK_Control_L, XK_x}}, "", "ab"},
            {{ctrlA, {XK_Shift_L, XK_Delete}}, "", "ab"},
            {{{XK_Control_L, XK_z}}, "", "кот"},
            {{{XK_Control_L, XK_z}, {XK_Control_L, XK_y}}, "ab", "кот"},
        };
        start({gamePath()});
        const std::string entry(w_->document().text(1));
        keys_.press({K{XK_Control_L, XK_f}});
        for (const auto& c : cases) {
            w_->searchPanel()->queryBox()->clearEditText();
            QApplication::clipboard()->setText(QStringLiteral("кот"));
            keys_.press({ab[0], ab[1]});
            keys_.press(c.keys);
            QCOMPARE(w_->searchPanel()->queryBox()->currentText(), QString::fromUtf8(c.field));
            QCOMPARE(QApplication::clipboard()->text(), QString::fromUtf8(c.clipboard));
            QVERIFY(!w_->isModified());
            QCOMPARE(w_->statusText(2), QString());
        }
        QCOMPARE(std::string(w_->document().text(1)), entry);

        keys_.press({K{XK_Control_L, XK_p}});  // a language mode
        QCOMPARE(w_->languageMode(), 2);
    }

    // A row in view stays in view when the list gets lower: the search panel opening, the
    // window made smaller.
    void currentRowStaysInViewWhenTheListShrinks()
    {
        start({gamePath()});
        const int row = 40;
        list()->selectRow(row);
        list()->scrollTo(w_->listModel()->index(row, 0), QAbstractItemView::PositionAtBottom);
        QVERIFY2(rowInFullView(row), qPrintable(rowReport(row)));
        keys_.press({{XK_Control_L, XK_f}});
        QVERIFY2(w_->searchPanel()->isVisible() && rowInFullView(row), qPrintable(rowReport(row)));
        w_->resize(w_->width(), w_->height() - 150);
        QTRY_VERIFY2(rowInFullView(row) && list()->viewport()->height() < 300, qPrintable(rowReport(row)));
    }

    // The column headers are in the list's font from the start, as they are once a font is
    // chosen in the options.
    void headersInTheListFontAfterARestart()
    {
        WriteFileBytes(dir_->file("Settings.ini"), "[Font]\r\nName=DejaVu Serif\r\nSize=16\r\nStyle=1\r\n");
        start({gamePath()});
        QCOMPARE(list()->horizontalHeader()->font(), list()->font());
        QVERIFY(list()->horizontalHeader()->height() > QFontMetrics(list()->font()).height());
    }

    // The windows the commands open: captioned for what they ask, the small ones with a
    // close box only; Qt's file dialog in Russian, its columns wide enough to read.
    void windowsTheCommandsOpen()
    {
        WriteFileBytes(dir_->file("Readme.txt"), "help\r\n");
        start({gamePath()}, true);
        auto keys = [this](XKeys::Chord chord) { return [this, chord] { keys_.press({chord}); }; };
        auto command = [this](Command c) { return [this, c] { w_->action(c)->trigger(); }; };
        const struct {
            std::function<void()> opens;
            const char* seen;
            std::function<QString(QWidget*)> more = {};
        } cases[] = {
            {keys({XK_F2}), "Правка строки"},
            {keys({XK_Alt_L, XK_o}), "Настройки"},
            {command(Command::Info), "Информация"},
            {command(Command::Readme), "Readme"},
            {command(Command::ExportTranslation), "Экспорт перевода"},
            {command(Command::ImportTranslation), "Импорт перевода"},
            {keys({XK_Control_L, XK_l}), "Открыть",
             [](QWidget* dialog) { return unreadableDetails(dialog, QStringLiteral("game.gxt")); }},
        };
        QStringList seen, expected;
        for (const auto& c : cases) {
            seen.append(readModal(c.opens, c.more));
            expected.append(QString::fromUtf8(c.seen));
        }
        QVERIFY2(seen == expected, qPrintable(QStringLiteral("\nseen:\n%1\nexpected:\n%2")
                                                  .arg(seen.join(QLatin1Char('\n')), expected.join(QLatin1Char('\n')))));
    }
};

QTEST_MAIN(RealWindowTest)
#include "tst_realwindow.moc"
