// SPDX-License-Identifier: GPL-3.0-or-later
// The source column in a real X window under a window manager: an English file opened
// beside its Russian translation, used with the keys a translator presses.
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "files/safefile.h"
#include "gxtbuilder.h"
#include "searchpanel.h"
#include "tempdir.h"
#include "text/cp1251.h"
#include "windowtest.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

#include "xwindowstate.h"  // after Qt: Xlib defines macros Qt's names use

#include <cstdio>
#include <optional>

using namespace zarnik::testing;

namespace {

constexpr int kEntries = 400;
constexpr int kLackedBySource = 7;  // a Russian entry whose key the English file lacks

std::string key(int i)
{
    char k[8];
    std::snprintf(k, sizeof k, "t%03d", i);
    return k;
}

std::string englishText(int i)
{
    return "Job " + std::to_string(i) + (i % 3 ? ": steal the car" : ": deliver the car to the garage");
}

// Every fifth entry still holds the English text, and some are empty: untranslated.
bool leftUntranslated(int i)
{
    return i != kLackedBySource && (i % 5 == 0 || i % 7 == 3);
}

std::string russianText(int i)
{
    if (i % 5 == 0)
        return englishText(i);
    if (i % 7 == 3)
        return "";
    return BukaText("Задание " + std::to_string(i) + ": угнать машину");
}

}  // namespace

class SourceWindowTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> w_;

    EntryListView* list() const { return w_->list(); }
    QString sourcePanel() const { return w_->findChild<QLabel*>(QStringLiteral("StatusPanel3"))->text(); }
    QString untranslatedPanel(int count) const
    {
        return QStringLiteral("Непереведённые: %1 · нет в исходном: 2 · нет в этом файле: 1").arg(count);
    }
    static int firstUntranslated(int from, int step)
    {
        for (int i = from + step; i >= 0 && i < kEntries; i += step)
            if (leftUntranslated(i))
                return i;
        return -1;
    }
    void start(const QStringList& args = {})
    {
        w_.reset();
        prompts_ = FakePrompts();
        w_ = startWindow(args);
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        QTRY_VERIFY(framed(w_->winId()));
        QTest::qWait(200);
    }
    bool rowInFullView(int row) const
    {
        const QRect r = list()->visualRect(w_->listModel()->index(row, 0));
        return r.isValid() && list()->viewport()->rect().contains(r);
    }

private slots:
    void init()
    {
        freshFolder(false);
        GxtBuilder russian('R'), english('E');
        for (int i = 0; i < kEntries; ++i) {
            russian.add(key(i), russianText(i));
            if (i != kLackedBySource)
                english.add(key(i), englishText(i));
        }
        russian.add("ru_only", "");
        english.add("en_only", "Only in English");
        writeFile("russian.gxt", russian.build());
        writeFile("english.gxt", english.build());
        writeFile("Settings.ini", "[Size]\r\nWidth=900\r\nHeight=600\r\n[Position]\r\nLeft=40\r\nTop=40\r\n");
    }
    void cleanup() { w_.reset(); dir_.reset(); }

    void translatingBesideTheSourceAndRestarting()
    {
        int untranslated = 0;
        for (int i = 0; i < kEntries; ++i)
            untranslated += leftUntranslated(i);

        start({path("russian.gxt")});
        QVERIFY(!action(*w_, Command::NextUntranslated)->isEnabled());
        prompts_.openNames = {path("english.gxt")};
        trigger(*w_, Command::OpenSource);
        QCOMPARE(w_->listModel()->columnCount(), 3);
        QCOMPARE(w_->listModel()->headerData(2, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Исходный текст"));
        // The English texts as they are, though the file beside them is shown in Buka.
        for (int row : {0, 1, 2, kLackedBySource, 250})
            QCOMPARE(w_->listModel()->data(w_->listModel()->index(row, 2), Qt::DisplayRole).toString(),
                     row == kLackedBySource ? QString() : QString::fromStdString(englishText(row)));
        // The column is on screen beside the texts.
        const QRect cell = list()->visualRect(w_->listModel()->index(1, 2));
        QVERIFY2(cell.left() < list()->viewport()->width(), qPrintable(QString::number(cell.left())));
        QCOMPARE(sourcePanel(), untranslatedPanel(untranslated));

        // Ctrl+J to the next untranslated entry, Ctrl+Shift+J back.
        list()->setFocus();
        QTest::keyClick(list(), Qt::Key_Home);
        QTest::keyClick(list(), Qt::Key_J, Qt::ControlModifier);
        const int first = firstUntranslated(0, 1);
        QCOMPARE(w_->currentIndex(), first);
        for (int i = 0; i < 20; ++i)
            QTest::keyClick(list(), Qt::Key_J, Qt::ControlModifier);
        int expected = first;
        for (int i = 0; i < 20; ++i)
            expected = firstUntranslated(expected, 1);
        QCOMPARE(w_->currentIndex(), expected);
        QTest::qWait(40);
        QVERIFY(rowInFullView(expected));
        QTest::keyClick(list(), Qt::Key_J, Qt::ControlModifier | Qt::ShiftModifier);
        const int previous = firstUntranslated(expected, -1);
        QCOMPARE(w_->currentIndex(), previous);
        QCOMPARE(list()->currentIndex().row(), previous);  // arrow keys go on from there

        // F2: the English text above the field; a translation takes one off the count.
        QString shownSource;
        prompts_.dialogHandler = [&](QDialog* d) {
            const auto* sourceField = d->findChild<QLineEdit*>(QStringLiteral("SourceEdit"));
            shownSource = sourceField->isVisibleTo(d) && sourceField->isReadOnly() ? sourceField->text() : "<none>";
            d->findChild<QLineEdit*>(QStringLiteral("Edit1"))->setText(QStringLiteral("Переведено"));
            return int(QDialog::Accepted);
        };
        QTest::keyClick(list(), Qt::Key_F2);
        QCOMPARE(shownSource, QString::fromStdString(englishText(previous)));
        QCOMPARE(sourcePanel(), untranslatedPanel(untranslated - 1));
        QTest::keyClick(list(), Qt::Key_J, Qt::ControlModifier);
        QCOMPARE(w_->currentIndex(), expected);

        // Searching the source column too finds an English word in a translated entry.
        QTest::keyClick(list(), Qt::Key_Home);
        QTest::keyClick(w_.get(), Qt::Key_F, Qt::ControlModifier);
        QTRY_VERIFY(w_->searchPanel()->isVisible());
        QTest::keyClicks(QApplication::focusWidget(), "steal");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(w_->currentIndex(), 5);  // the first that still holds the English text
        QTest::keyClick(list(), Qt::Key_Home);
        QTest::mouseClick(w_->searchPanel()->inSourceBox(), Qt::LeftButton, {}, QPoint(5, 8));
        QVERIFY(w_->searchPanel()->searchesSource());
        QTest::keyClick(w_->searchPanel()->queryBox(), Qt::Key_Return);
        QCOMPARE(w_->currentIndex(), 1);

        // The next start shows the source again, and the search box as it was left.
        w_.reset();
        start();
        QCOMPARE(w_->sourcePath(), path("english.gxt"));
        QCOMPARE(w_->listModel()->columnCount(), 3);
        // The row selected before the column came is selected across it too.
        QVERIFY(list()->selectionModel()->isSelected(w_->listModel()->index(w_->currentIndex(), 2)));
        QCOMPARE(sourcePanel(), untranslatedPanel(untranslated));  // the edit was never saved
        QVERIFY(w_->searchPanel()->searchesSource());
        QVERIFY(prompts_.asked.isEmpty());

        // A source damaged by the next start (read while the file loads): its read error,
        // the file without the column, and no word at the start after.
        const std::string english = zarnik::ReadWholeFile(dir_->file("english.gxt"));
        writeFile("english.gxt", "GBL");
        w_.reset();
        start();
        QCOMPARE(prompts_.texts(MessageKind::Error).size(), 1);
        QCOMPARE(w_->listModel()->columnCount(), 2);
        w_.reset();
        start();
        QVERIFY(prompts_.asked.isEmpty());
        writeFile("english.gxt", english);
        QVERIFY(w_->openSource(path("english.gxt")));

        // A source gone by the next start is dropped, once, with a word.
        QVERIFY(QFile::remove(path("english.gxt")));
        w_.reset();
        start();
        QCOMPARE(prompts_.texts(MessageKind::Warning),
                 QStringList{QStringLiteral("Исходный файл %1 не найден и закрыт").arg(path("english.gxt"))});
        QCOMPARE(w_->listModel()->columnCount(), 2);
        QVERIFY(!w_->findChild<QLabel*>(QStringLiteral("StatusPanel3"))->isVisible());
        QVERIFY(!action(*w_, Command::CloseSource)->isEnabled());
        w_.reset();
        start();
        QVERIFY(prompts_.asked.isEmpty());
    }
};

QTEST_MAIN(SourceWindowTest)
#include "tst_sourcewindow.moc"
