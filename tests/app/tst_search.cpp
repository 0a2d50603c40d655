#include "cp1251.h"
#include "encodings.h"
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "fakeprompts.h"
#include "gxtbuilder.h"
#include "mainwindow.h"
#include "searchpanel.h"
#include "tempdir.h"
#include "textsearch.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QtTest>

using namespace zarnik::testing;

namespace {

std::string cp1251(std::string_view utf8)
{
    return zarnik::Utf8ToCp1251(utf8);
}

const QString kFound = QStringLiteral("Текст найден");
const QString kNotFound = QStringLiteral("Текст не найден");

}  // namespace

class SearchTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    FakePrompts prompts_;
    std::unique_ptr<MainWindow> w_;

    std::string writeFile(const std::vector<std::string>& texts)
    {
        GxtBuilder builder('R');
        for (size_t i = 0; i < texts.size(); ++i)
            builder.add("k" + std::to_string(i), texts[i]);
        WriteFileBytes(dir_->file("t.gxt"), builder.build());
        return dir_->file("t.gxt");
    }
    // Starts the window on a file of the given texts (storage form), or on no file.
    void start(const std::vector<std::string>& texts, bool withFile = true)
    {
        QStringList args;
        if (withFile)
            args << QString::fromStdString(writeFile(texts));
        w_ = std::make_unique<MainWindow>(prompts_, ProgramDirectory(QString::fromStdString(dir_->path())), args);
        w_->show();
        w_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
    }
    SearchPanel* panel() const { return w_->searchPanel(); }
    QComboBox* combo() const { return panel()->queryBox(); }
    QLineEdit* field() const { return combo()->lineEdit(); }
    QAction* action(const char* name) const { return w_->findChild<QAction*>(QLatin1String(name)); }

    void select(int row) { w_->list()->selectRow(row); }
    // The search as the user runs it: type the query, click "Найти далее".
    void find(const QString& query, bool down = true)
    {
        panel()->setSearchesDown(down);
        combo()->setEditText(query);
        QTest::mouseClick(panel()->findNextButton(), Qt::LeftButton);
    }
    int selectedRow() const
    {
        const QModelIndexList rows = w_->list()->selectionModel()->selectedRows();
        return rows.size() == 1 ? rows.first().row() : -1;
    }
    void waitForBlink() { QTRY_VERIFY_WITH_TIMEOUT(!w_->windowTitle().isEmpty(), 3000); }
    bool fullyVisible(int row) const
    {
        const QRect r = w_->list()->visualRect(w_->listModel()->index(row, 0));
        return w_->list()->viewport()->rect().contains(r);
    }

private slots:
    void init() { dir_ = std::make_unique<TempDir>(); }
    void cleanup()
    {
        w_.reset();
        dir_.reset();
    }

    void panelIsDockedAboveTheStatusBarAndFollowsTheWindowWidth()
    {
        start({"a", "b"});
        QCOMPARE(panel()->objectName(), QStringLiteral("GroupBox2"));
        QCOMPARE(panel()->title(), QStringLiteral("Поиск"));
        QVERIFY(panel()->isHidden());
        QCOMPARE(combo()->objectName(), QStringLiteral("ComboBox1"));
        QVERIFY(combo()->isEditable());
        const auto* direction = panel()->findChild<QGroupBox*>(QStringLiteral("GroupBox1"));
        QCOMPARE(direction->title(), QStringLiteral("Направление"));
        QCOMPARE(panel()->upButton()->text(), QStringLiteral("Вверх"));
        QCOMPARE(panel()->downButton()->text(), QStringLiteral("Вниз"));
        QVERIFY(panel()->downButton()->isChecked());
        QCOMPARE(panel()->matchCaseBox()->text(), QStringLiteral("С у. р."));
        QCOMPARE(panel()->matchCaseBox()->toolTip(), QStringLiteral("С учётом регистра"));
        QVERIFY(!panel()->matchCaseBox()->isChecked());
        QCOMPARE(panel()->findNextButton()->text(), QStringLiteral("Найти далее"));
        QCOMPARE(panel()->hideButton()->text(), QStringLiteral("Скрыть"));

        w_->ShowSearchPanel();
        QTRY_COMPARE(panel()->height(), 104);
        for (int width : {713, 900, 520}) {
            w_->resize(width, 600);
            QTRY_COMPARE(w_->width(), width);
            const int outer = w_->frameGeometry().width();
            QCOMPARE(combo()->width(), outer - 26);
            QCOMPARE(panel()->findNextButton()->x(), outer - 235);
            QCOMPARE(panel()->hideButton()->x(), outer - 123);
            // Under the list, on top of the status bar, across the whole width.
            const QRect list(w_->list()->mapTo(w_.get(), QPoint(0, 0)), w_->list()->size());
            const QRect box(panel()->mapTo(w_.get(), QPoint(0, 0)), panel()->size());
            QCOMPARE(box.top(), list.bottom() + 1);
            QCOMPARE(box.bottom() + 1, w_->statusBar()->geometry().top());
            QCOMPARE(box.width(), w_->centralWidget()->width());
        }
    }

    void showingHidingAndSearchingWithoutADocument()
    {
        start({}, false);  // no document: F3 is disabled, Ctrl+F is not
        QTest::keyClick(w_->list(), Qt::Key_F3);
        QTest::keyClick(w_->list(), Qt::Key_F, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(panel()->isHidden());
        QTest::keyClick(w_->list(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(!panel()->isHidden());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(combo()));
        for (bool down : {true, false}) {
            find(QStringLiteral("a"), down);
            QCOMPARE(w_->statusText(2), kNotFound);
            waitForBlink();
        }

        // Esc while shown hides the panel and puts the focus into the list; so does "Скрыть".
        QTest::keyClick(combo(), Qt::Key_Escape);
        QVERIFY(panel()->isHidden());
        QVERIFY(!(w_->windowState() & Qt::WindowMinimized));
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w_->list()));
        QTest::keyClick(w_->list(), Qt::Key_F, Qt::ControlModifier);
        QTest::mouseClick(panel()->hideButton(), Qt::LeftButton);
        QVERIFY(panel()->isHidden());
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(w_->list()));

        QVERIFY(w_->openDocument(QString::fromStdString(writeFile({"a"}))));
        QTest::keyClick(w_->list(), Qt::Key_F3);
        QVERIFY(!panel()->isHidden());
        QTest::keyClick(w_->list(), Qt::Key_Escape);
        QVERIFY(panel()->isHidden());
        // Esc while hidden minimizes.
        QTest::keyClick(w_->list(), Qt::Key_Escape);
        QVERIFY(w_->windowState() & Qt::WindowMinimized);
    }

    void candidatesStartNextToTheCurrentEntryAndNeverWrap()
    {
        start({"apple", "apple pie", "banana", "cherry"});
        w_->ShowSearchPanel();

        // The current entry itself is never examined.
        select(1);
        find(QStringLiteral("apple pie"), true);
        QCOMPARE(w_->statusText(2), kNotFound);
        QCOMPARE(w_->currentIndex(), 1);
        waitForBlink();
        find(QStringLiteral("apple pie"), false);
        QCOMPARE(w_->statusText(2), kNotFound);
        waitForBlink();

        find(QStringLiteral("apple"), false);
        QCOMPARE(w_->statusText(2), kFound);
        QCOMPARE(w_->currentIndex(), 0);
        QCOMPARE(selectedRow(), 0);
        QCOMPARE(w_->statusText(1), QStringLiteral("1/4 (5)"));

        // Down from the last entry: nothing, and the direction turns after the blink.
        select(3);
        find(QStringLiteral("a"), true);
        QCOMPARE(w_->statusText(2), kNotFound);
        QCOMPARE(w_->currentIndex(), 3);
        waitForBlink();
        QVERIFY(panel()->upButton()->isChecked());
        QTest::mouseClick(panel()->findNextButton(), Qt::LeftButton);
        QCOMPARE(w_->statusText(2), kFound);
        QCOMPARE(w_->currentIndex(), 2);

        // Up from the first: no wrap to the end.
        select(0);
        find(QStringLiteral("cherry"), false);
        QCOMPARE(w_->statusText(2), kNotFound);
        QCOMPARE(w_->currentIndex(), 0);
    }

    void noSelectionOrAnEmptyQueryNeverHits()
    {
        start({"abc", "", "abc"});
        w_->ShowSearchPanel();
        select(0);
        find(QString(), true);
        QCOMPARE(w_->statusText(2), kNotFound);
        waitForBlink();

        w_->list()->selectionModel()->clearSelection();
        QCOMPARE(w_->currentIndex(), -1);
        for (bool down : {true, false}) {
            find(QStringLiteral("abc"), down);
            QCOMPARE(w_->statusText(2), kNotFound);
            QCOMPARE(w_->currentIndex(), -1);
            waitForBlink();
        }
    }

    void aHitSelectsWithoutTakingTheFocusOrTheListCursor()
    {
        start({"one", "two", "three", "four"});
        w_->ShowSearchPanel();
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(combo()));
        const QModelIndex cursorBefore = w_->list()->currentIndex();
        QCOMPARE(cursorBefore.row(), 1);

        QTest::keyClicks(combo(), QStringLiteral("fou"));
        QTest::keyClick(combo(), Qt::Key_Return);
        QCOMPARE(w_->statusText(2), kFound);
        QCOMPARE(w_->currentIndex(), 3);
        QCOMPARE(selectedRow(), 3);
        QCOMPARE(w_->statusText(1), QStringLiteral("4/4 (4)"));
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(combo()));
        QCOMPARE(w_->list()->currentIndex(), cursorBefore);
        QCOMPARE(field()->text(), QStringLiteral("fou"));
    }

    void theFoundRowIsNudgedFurtherInTheSearchDirection()
    {
        std::vector<std::string> texts(300, "filler");
        texts[200] = "target D";
        texts[40] = "target U";
        start(texts);
        w_->ShowSearchPanel();
        select(0);
        w_->list()->scrollToTop();

        find(QStringLiteral("target d"), true);
        QCOMPARE(w_->currentIndex(), 200);
        QVERIFY(fullyVisible(200));
        QVERIFY2(fullyVisible(201), "no row shown below the hit");

        select(299);
        w_->list()->scrollToBottom();
        find(QStringLiteral("target u"), false);
        QCOMPARE(w_->currentIndex(), 40);
        QVERIFY(fullyVisible(40));
        QVERIFY2(fullyVisible(39), "no row shown above the hit");
    }

    void caseBlindByTheCodePageUnlessMatchCase()
    {
        // Buka, the mode without settings: the texts are searched as shown.
        start({"first", BukaText("БУКА"), BukaText("Бука"), "Latin Text", cp1251("ёжик"), cp1251("белаўскі")});
        w_->ShowSearchPanel();
        select(0);
        find(QStringLiteral("бука"), true);
        QCOMPARE(w_->currentIndex(), 1);
        find(QStringLiteral("бУКА"), true);
        QCOMPARE(w_->currentIndex(), 2);

        select(0);
        panel()->setMatchesCase(true);
        find(QStringLiteral("бУКА"), true);
        QCOMPARE(w_->statusText(2), kNotFound);
        waitForBlink();
        find(QStringLiteral("Бука"), true);
        QCOMPARE(w_->currentIndex(), 2);
        find(QStringLiteral("latin"), true);
        QCOMPARE(w_->statusText(2), kNotFound);
        waitForBlink();

        // ё/Ё and ў/Ў are code-page pairs a Russian-only table would miss.
        panel()->setMatchesCase(false);
        action("N30")->trigger();  // shown as stored
        select(2);
        find(QStringLiteral("LATIN TEXT"), true);
        QCOMPARE(w_->currentIndex(), 3);
        find(QStringLiteral("ЁЖИК"), true);
        QCOMPARE(w_->currentIndex(), 4);
        find(QStringLiteral("БЕЛАЎСКІ"), true);
        QCOMPARE(w_->currentIndex(), 5);
    }

    void pirateTextsAreSearchedInTheirDisplayForm()
    {
        start({"x", "\x8F\x90\x88\x82\x85\x92", "y"});
        w_->ShowSearchPanel();
        action("N30")->trigger();
        select(0);
        find(QStringLiteral("ПРИВЕТ"), true);
        QCOMPARE(w_->statusText(2), kNotFound);  // stored bytes are not Cyrillic
        waitForBlink();

        action("Linear")->trigger();
        select(0);
        find(QStringLiteral("ПРИВЕТ"), true);
        QCOMPARE(w_->statusText(2), kFound);
        QCOMPARE(w_->currentIndex(), 1);
        select(2);
        find(QStringLiteral("вет"), false);
        QCOMPARE(w_->currentIndex(), 1);
    }

    void historyPutsNewQueriesFirstAndKeepsRepeatsInPlace()
    {
        start({"a", "b"});
        w_->ShowSearchPanel();
        for (const char* q : {"one", "two", "one", "three", "One", "two"})
            find(QString::fromUtf8(q));
        waitForBlink();
        QCOMPARE(panel()->history(), (QStringList{"One", "three", "two", "one"}));
        QCOMPARE(field()->text(), QStringLiteral("two"));

        // Picking an item and typing over it: the typed text is searched and remembered.
        combo()->setCurrentIndex(2);
        field()->setFocus();
        field()->selectAll();
        QTest::keyClicks(combo(), QStringLiteral("four"));
        QTest::keyClick(combo(), Qt::Key_Return);
        QCOMPARE(field()->text(), QStringLiteral("four"));
        QCOMPARE(panel()->history(), (QStringList{"four", "One", "three", "two", "one"}));

        // A history put in from outside replaces the items, not what is being typed.
        panel()->setHistory({"x", "y"});
        QCOMPARE(panel()->history(), (QStringList{"x", "y"}));
        QCOMPARE(field()->text(), QStringLiteral("four"));
    }

    void enterRunsFindNextWhileThePanelIsShown()
    {
        start({"alpha", "beta", "alpha"});
        QSignalSpy edits(action("N12"), &QAction::triggered);

        // Hidden panel: Enter in the list is the edit command.
        QTest::keyClick(w_->list(), Qt::Key_Return);
        QCOMPARE(edits.size(), 1);

        w_->ShowSearchPanel();
        combo()->setEditText(QStringLiteral("alpha"));
        select(1);
        QTest::keyClick(w_->list(), Qt::Key_Return);
        QCOMPARE(edits.size(), 1);
        QCOMPARE(w_->currentIndex(), 2);

        // Shift+Enter and Ctrl+Enter still reach the list's edit command.
        QTest::keyClick(w_->list(), Qt::Key_Return, Qt::ShiftModifier);
        QTest::keyClick(w_->list(), Qt::Key_Enter, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(edits.size(), 3);
        QCOMPARE(w_->currentIndex(), 2);

        // The radio buttons and the check box pass Enter to "Найти далее".
        select(1);
        panel()->upButton()->setFocus();
        panel()->upButton()->setChecked(true);
        QTest::keyClick(panel()->upButton(), Qt::Key_Return);
        QCOMPARE(w_->currentIndex(), 0);
        select(1);
        panel()->setSearchesDown(true);
        QTest::keyClick(panel()->matchCaseBox(), Qt::Key_Enter, Qt::KeypadModifier);
        QCOMPARE(w_->currentIndex(), 2);
        QCOMPARE(edits.size(), 3);

        // A push button presses itself.
        panel()->hideButton()->setFocus();
        QTest::keyClick(panel()->hideButton(), Qt::Key_Return);
        QVERIFY(panel()->isHidden());
    }

    void aMissBlanksTheCaptionWithoutHoldingTheWindowUp()
    {
        start({"a", "b"});
        const QString caption = w_->windowTitle();
        w_->ShowSearchPanel();
        select(0);
        QElapsedTimer blink;
        blink.start();
        find(QStringLiteral("zzz"), true);
        // The search has returned to the event loop with the caption blank and the
        // direction not yet turned.
        QCOMPARE(w_->windowTitle(), QString());
        QVERIFY(panel()->downButton()->isChecked());
        w_->SetModified(true);  // a command run during the blink
        QTRY_COMPARE_WITH_TIMEOUT(w_->windowTitle(), caption + "*", 3000);
        QVERIFY(blink.elapsed() >= 250);
        QVERIFY(panel()->upButton()->isChecked());

        // A second search during the blink waits for it, then runs the turned way.
        select(1);
        find(QStringLiteral("a"), true);
        QCOMPARE(w_->windowTitle(), QString());
        QTest::mouseClick(panel()->findNextButton(), Qt::LeftButton);
        QCOMPARE(w_->windowTitle(), caption + "*");
        QCOMPARE(w_->statusText(2), kFound);
        QCOMPARE(w_->currentIndex(), 0);
    }

    void menuKeysWinOverTheQueryField()
    {
        // Before a document every editing command is disabled: its key does nothing at all.
        start({}, false);
        QTest::keyClick(w_->list(), Qt::Key_F, Qt::ControlModifier);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(combo()));
        QTest::keyClicks(combo(), QStringLiteral("abc"));
        QApplication::clipboard()->setText(QStringLiteral("XYZ"));
        field()->setCursorPosition(1);
        QTest::keyClick(combo(), Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(combo(), Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(combo(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(field()->text(), QStringLiteral("abc"));
        field()->selectAll();
        QTest::keyClick(combo(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("XYZ"));

        // With a document they act on it, and the field still never sees them.
        QVERIFY(w_->openDocument(QString::fromStdString(writeFile({"entry"}))));
        QTest::keyClick(w_->list(), Qt::Key_F3);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(combo()));
        field()->selectAll();
        QTest::keyClick(combo(), Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("entry"));  // the entry's text
        QApplication::clipboard()->setText(QStringLiteral("XYZ"));
        field()->setCursorPosition(0);
        QTest::keyClick(combo(), Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(w_->document().CurrentTexts[0], std::string("XYZ"));
        QTest::keyClick(combo(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(w_->document().CurrentTexts[0], std::string());
        QVERIFY(action("N9")->isEnabled());
        QTest::keyClick(combo(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(w_->document().CurrentTexts[0], std::string("XYZ"));
        QCOMPARE(field()->text(), QStringLiteral("abc"));

        // Keys that are no command's still edit the field.
        QTest::keyClick(combo(), Qt::Key_End);
        QTest::keyClick(combo(), Qt::Key_Backspace);
        QTest::keyClick(combo(), Qt::Key_X);
        QCOMPARE(field()->text(), QStringLiteral("abx"));
    }

    void matcherComparesByteByByte()
    {
        const uint8_t* plain = zarnik::DisplayTableFor(zarnik::kModeOriginal);
        struct Case {
            const char* text;
            const char* query;
            bool matchCase;
            bool hit;
        } cases[] = {
            {"aaab", "aab", true, true},   // a failed partial match restarts one byte on
            {"abcab", "cab", true, true},  // at the very end
            {"ab", "abc", true, false},    // query longer than the text
            {"xab", "AB", false, true},
            {"xab", "AB", true, false},
            {"", "a", false, false},
            {"abc", "", false, false},
        };
        for (const Case& c : cases) {
            const TextMatcher m(plain, c.query, c.matchCase);
            QVERIFY2(m.matches(c.text) == c.hit, (std::string(c.text) + " / " + c.query).c_str());
        }
        // Zero bytes are ordinary bytes of a text.
        QVERIFY(TextMatcher(plain, std::string("\0b", 2), true).matches(std::string("a\0b", 3)));
    }
};

QTEST_MAIN(SearchTest)
#include "tst_search.moc"
