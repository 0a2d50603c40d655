// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/cp1251.h"
#include "text/encodings.h"
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "gxtbuilder.h"
#include "searchpanel.h"
#include "textsearch.h"
#include "windowtest.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QtTest>

using namespace zarnik::testing;

class SearchTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> w_;

    QString writeFile(const std::vector<std::string>& texts)
    {
        GxtBuilder builder('R');
        for (size_t i = 0; i < texts.size(); ++i)
            builder.add("k" + std::to_string(i), texts[i]);
        WriteFileBytes(dir_->file("t.gxt"), builder.build());
        return QString::fromStdString(dir_->file("t.gxt"));
    }
    // Starts the window on a file of the given texts (storage form), or with no document.
    void start(const std::vector<std::string>& texts, bool withFile = true)
    {
        const QStringList args = withFile ? QStringList{writeFile(texts)} : QStringList{};
        w_ = startWindow(args);
        w_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
    }
    SearchPanel* panel() const { return w_->searchPanel(); }
    QComboBox* combo() const { return panel()->queryBox(); }
    QLineEdit* field() const { return combo()->lineEdit(); }
    void select(int row) { w_->list()->selectRow(row); }
    // The search as the user runs it: type the query, click "Найти далее".
    void find(const QString& query, bool down = true)
    {
        panel()->setSearchesDown(down);
        combo()->setEditText(query);
        QTest::mouseClick(panel()->findNextButton(), Qt::LeftButton);
    }
    // The row found, or -1 on a miss.
    int hit(const QString& query, bool down = true)
    {
        find(query, down);
        return w_->statusText(2) == QStringLiteral("Текст найден") ? w_->currentIndex() : -1;
    }
    // A miss, with its caption blink waited out.
    bool misses(const QString& query, bool down = true)
    {
        find(query, down);
        return w_->statusText(2) == QStringLiteral("Текст не найден") &&
               QTest::qWaitFor([this] { return !w_->windowTitle().isEmpty(); }, 3000);
    }
    bool fullyVisible(int row) const
    {
        return w_->list()->viewport()->rect().contains(w_->list()->visualRect(w_->listModel()->index(row, 0)));
    }

private slots:
    void init() { freshFolder(false); }
    void cleanup() { w_.reset(); dir_.reset(); }

    void panelWithAndWithoutADocumentLeavesTheMenuKeysToTheMenu()
    {
        start({}, false);  // no document: F3 is disabled, Ctrl+F is not
        QTest::keyClick(w_->list(), Qt::Key_F3);
        QVERIFY(panel()->isHidden());
        QTest::keyClick(w_->list(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!panel()->isHidden());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(combo()));
        QVERIFY(misses(QStringLiteral("a"), true));  // no current entry
        QVERIFY(misses(QStringLiteral("a"), false));
        // A disabled command's key does nothing at all, not even in the field.
        field()->selectAll();
        QTest::keyClick(combo(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(field()->text(), QStringLiteral("a"));

        // Esc while shown, or "Скрыть", hides the panel and puts the focus into the list.
        QTest::keyClick(combo(), Qt::Key_Escape);
        QVERIFY(panel()->isHidden());
        QVERIFY(!(w_->windowState() & Qt::WindowMinimized));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w_->list()));
        QVERIFY(w_->openDocument(writeFile({"entry"})));
        QTest::keyClick(w_->list(), Qt::Key_F3);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(combo()));

        // Docked under the list, on top of the status bar, and following the window width.
        w_->resize(900, 600);
        QTRY_COMPARE(w_->width(), 900);
        QCOMPARE(combo()->width(), w_->frameGeometry().width() - 26);
        const QRect list(w_->list()->mapTo(w_.get(), QPoint(0, 0)), w_->list()->size());
        const QRect box(panel()->mapTo(w_.get(), QPoint(0, 0)), panel()->size());
        QCOMPARE(box.top(), list.bottom() + 1);
        QCOMPARE(box.bottom() + 1, w_->statusBar()->geometry().top());
        QCOMPARE(box.width(), w_->centralWidget()->width());

        // With a document a command key acts on it, and the field still never sees it.
        field()->selectAll();
        QTest::keyClick(combo(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(std::string(w_->document().text(0)), std::string());
        QCOMPARE(field()->text(), QStringLiteral("a"));
        // Keys that are no command's still edit the field.
        QTest::keyClick(combo(), Qt::Key_Backspace);
        QTest::keyClick(combo(), Qt::Key_X);
        QCOMPARE(field()->text(), QStringLiteral("x"));

        QTest::mouseClick(panel()->hideButton(), Qt::LeftButton);
        QVERIFY(panel()->isHidden());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w_->list()));
        QTest::keyClick(w_->list(), Qt::Key_Escape);  // while hidden: minimizes
        QVERIFY(w_->windowState() & Qt::WindowMinimized);
    }

    void candidatesStartNextToTheCurrentEntryNeverWrapAndAMissBlinks()
    {
        start({"apple", "apple pie", "banana", ""});
        const QString caption = w_->windowTitle();
        w_->ShowSearchPanel();
        select(1);  // the current entry itself is never examined
        QVERIFY(misses(QStringLiteral("apple pie"), true));
        QVERIFY(misses(QStringLiteral("apple pie"), false));
        QCOMPARE(hit(QStringLiteral("apple"), false), 0);
        QCOMPARE(w_->statusText(1), QStringLiteral("1/4 (5)"));
        select(0);
        QVERIFY(misses(QStringLiteral("banana"), false));  // no wrap to the end
        select(2);
        QVERIFY(misses(QString(), true));  // an empty query hits not even an empty text

        // Down from the last entry: a miss blanks the caption without holding the window up,
        // and turns the direction after the blink.
        select(3);
        QElapsedTimer blink;
        blink.start();
        find(QStringLiteral("a"), true);
        QCOMPARE(w_->windowTitle(), QString());
        QVERIFY(panel()->downButton()->isChecked());
        makeUnsaved(*w_);  // a command run during the blink
        QTRY_COMPARE_WITH_TIMEOUT(w_->windowTitle(), caption + "*", 3000);
        QVERIFY(blink.elapsed() >= 250);
        QVERIFY(panel()->upButton()->isChecked());
        // A second search during the blink waits for it, then runs the turned way.
        find(QStringLiteral("a"), true);
        QCOMPARE(w_->windowTitle(), QString());
        QTest::mouseClick(panel()->findNextButton(), Qt::LeftButton);
        QCOMPARE(w_->windowTitle(), caption + "*");
        QCOMPARE(w_->currentIndex(), 2);

        w_->list()->selectionModel()->clearSelection();
        QVERIFY(misses(QStringLiteral("apple"), true));
        QVERIFY(misses(QStringLiteral("apple"), false));
        QCOMPARE(w_->currentIndex(), -1);
    }

    void aHitIsSelectedShownAndRememberedAsTheListRowWithoutTakingTheFocus()
    {
        std::vector<std::string> texts(300, "filler");
        texts[3] = "four";
        texts[40] = "target U";
        texts[200] = "target D";
        start(texts);
        w_->ShowSearchPanel();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(combo()));
        QTest::keyClicks(combo(), QStringLiteral("fou"));
        QTest::keyClick(combo(), Qt::Key_Return);
        QCOMPARE(w_->list()->selectionModel()->selectedRows(), QModelIndexList{w_->listModel()->index(3, 0)});
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(combo()));
        QCOMPARE(w_->list()->currentIndex().row(), 3);  // arrow keys go on from the hit

        // The row found is nudged further in the search direction.
        select(0);
        w_->list()->scrollToTop();
        QCOMPARE(hit(QStringLiteral("target d")), 200);
        QVERIFY(fullyVisible(200));
        QVERIFY2(fullyVisible(201), "no row shown below the hit");
        select(299);
        w_->list()->scrollToBottom();
        QCOMPARE(hit(QStringLiteral("target u"), false), 40);
        QVERIFY(fullyVisible(40));
        QVERIFY2(fullyVisible(39), "no row shown above the hit");

        // New queries go first, repeats keep their place.
        for (const char* q : {"one", "two", "one", "three", "One", "two"})
            find(QString::fromUtf8(q));
        const QStringList earlier{"target u", "target d", "fou"};
        QCOMPARE(panel()->history(), QStringList({"One", "three", "two", "one"}) + earlier);
        // Picking an item and typing over it: the typed text is searched and remembered.
        combo()->setCurrentIndex(2);
        field()->selectAll();
        QTest::keyClicks(combo(), QStringLiteral("four"));
        QTest::keyClick(combo(), Qt::Key_Return);
        QCOMPARE(panel()->history(), QStringList({"four", "One", "three", "two", "one"}) + earlier);
        // A history put in from outside replaces the items, not what is being typed.
        panel()->setHistory({"x", "y"});
        QCOMPARE(panel()->history(), (QStringList{"x", "y"}));
        QCOMPARE(field()->text(), QStringLiteral("four"));
    }

    void searchedAsShownCaseBlindByTheCodePageUnlessMatchCase()
    {
        // Buka, the mode without settings: the texts are searched as shown.
        start({"first", BukaText("БУКА"), BukaText("Бука"), "Latin Text", zarnik::Utf8ToCp1251("ёжик"),
               zarnik::Utf8ToCp1251("белаўскі"), "\x8F\x90\x88\x82\x85\x92"});
        w_->ShowSearchPanel();
        select(0);
        QCOMPARE(hit(QStringLiteral("бУКА")), 1);
        panel()->setMatchesCase(true);
        QVERIFY(misses(QStringLiteral("БУКА")));
        QCOMPARE(hit(QStringLiteral("Бука")), 2);
        QVERIFY(misses(QStringLiteral("latin")));

        // ё/Ё and ў/Ў are code-page pairs a Russian-only table would miss.
        panel()->setMatchesCase(false);
        trigger(*w_, Command::ModeOriginal);  // shown as stored
        QCOMPARE(hit(QStringLiteral("LATIN TEXT")), 3);
        QCOMPARE(hit(QStringLiteral("ЁЖИК")), 4);
        QCOMPARE(hit(QStringLiteral("БЕЛАЎСКІ")), 5);
        QVERIFY(misses(QStringLiteral("ПРИВЕТ")));  // pirate bytes are not Cyrillic as stored
        trigger(*w_, Command::ModePirate);
        QCOMPARE(hit(QStringLiteral("вет")), 6);
    }

    void enterRunsFindNextWhileThePanelIsShown()
    {
        start({"alpha", "beta", "alpha"});
        QSignalSpy edits(action(*w_, Command::Edit), &QAction::triggered);
        QTest::keyClick(w_->list(), Qt::Key_Return);  // hidden panel: the edit command
        QCOMPARE(edits.size(), 1);

        w_->ShowSearchPanel();
        combo()->setEditText(QStringLiteral("alpha"));
        select(0);
        QTest::keyClick(w_->list(), Qt::Key_Return);
        QCOMPARE(w_->currentIndex(), 2);
        // Shift+Enter and Ctrl+Enter still reach the list's edit command.
        QTest::keyClick(w_->list(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(w_->list(), Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(edits.size(), 3);

        // The radio buttons and the check box pass Enter to "Найти далее"; a push button presses itself.
        panel()->upButton()->setChecked(true);
        QTest::keyClick(panel()->upButton(), Qt::Key_Return);
        QCOMPARE(w_->currentIndex(), 0);
        panel()->setSearchesDown(true);
        QTest::keyClick(panel()->matchCaseBox(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(w_->currentIndex(), 2);
        QCOMPARE(edits.size(), 3);
        QTest::keyClick(panel()->hideButton(), Qt::Key_Return);
        QVERIFY(panel()->isHidden());
    }

    void matcherComparesByteByByte()
    {
        const auto matches = [](std::string_view text, std::string_view query, bool matchCase) {
            return TextMatcher(zarnik::DisplayTableFor(zarnik::kModeOriginal), query, matchCase).matches(text);
        };
        QVERIFY(matches("aaab", "aab", true));  // a failed partial match restarts one byte on
        QVERIFY(!matches("ab", "abc", true));   // the query longer than the text
        QVERIFY(matches("xab", "AB", false) && !matches("xab", "AB", true));
        QVERIFY(matches({"a\0b", 3}, {"\0b", 2}, true));  // zero bytes are ordinary bytes of a text
    }
};

QTEST_MAIN(SearchTest)
#include "tst_search.moc"
