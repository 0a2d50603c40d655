// SPDX-License-Identifier: GPL-3.0-or-later
// The window as a user meets it: the list's keys and columns, the edit dialog's buttons,
// Enter in the menu bar, Qt's own texts in Russian, a remembered path that is not Windows-1251.
#include "commands.h"
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "fakeprompts.h"
#include "gxtbuilder.h"
#include "inifile.h"
#include "mainwindow.h"
#include "platform.h"
#include "qtprompts.h"
#include "russianinterface.h"
#include "searchpanel.h"
#include "tempdir.h"
#include "windowtest.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include <filesystem>

using namespace zarnik::testing;

namespace {

constexpr const char* kWidestKey = "yourit12";

// 300 entries with short keys and one long one, texts of up to 200 characters: the text
// column, fitted to them, is wider than any list.
std::string longTexts()
{
    GxtBuilder b('E');
    for (int i = 0; i < 300; ++i) {
        const std::string key = i == 150 ? kWidestKey : "k" + std::to_string(i);
        b.add(key, "text " + std::to_string(i) + " " + std::string(20 + (i * 7) % 180, 'x'));
    }
    return b.build();
}

}  // namespace

class UsageTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> w_;

    void start(const QStringList& args = {})
    {
        w_.reset();
        prompts_ = FakePrompts();
        w_ = startWindow(args);
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
    }
    void startWith(const std::string& settings, const std::string& gxt)
    {
        WriteFileBytes(dir_->file("Settings.ini"), settings);
        WriteFileBytes(dir_->file("doc.gxt"), gxt);
        start({path("doc.gxt")});
    }
    EntryListView* list() const { return w_->list(); }
    // The least width that shows the key unshortened: its text and the cell's padding.
    int keyNeeds(const char* key) const
    {
        return std::min(80, QFontMetrics(list()->font()).horizontalAdvance(QLatin1String(key)) + 6);
    }

private slots:
    void init() { freshFolder(false); }
    void cleanup() { w_.reset(); dir_.reset(); }

    // With "AutoSize" the text column fits the widest text, found among hundreds of rows
    // by an estimate before the few widest are measured: the widest is far down the list
    // and holds wide letters, and an odd number of them.
    void textColumnFitsTheWidestTextAmongManyRows()
    {
        GxtBuilder b('E');
        for (int i = 0; i < 300; ++i)
            b.add("k" + std::to_string(i), i == 217 ? std::string(201, 'W') : "text " + std::string(60, 'i'));
        startWith("[Options]\r\nAutoSize=1\r\n", b.build());
        const int widest = QFontMetrics(list()->font()).horizontalAdvance(QString(201, QLatin1Char('W')));
        QVERIFY(widest > list()->viewport()->width());  // not met by reaching the edge anyway
        QVERIFY2(list()->columnWidth(1) >= widest, qPrintable(QString::number(list()->columnWidth(1))));
    }

    // Every resize recomputes the key column from the client width less the text column,
    // which a game file's texts make wider than the list; the keys still show in full.
    // (After a restart: the real-window tests.)
    void keyColumnShowsTheWidestKeyThroughResizesAndRestarts()
    {
        startWith("[Size]\r\nCaptionWidth=20\r\n[Options]\r\nAutoSize=1\r\n", longTexts());
        QVERIFY(list()->columnWidth(1) > list()->viewport()->width());
        const int needed = keyNeeds(kWidestKey);
        QVERIFY2(list()->keyColumnWidth() >= needed, qPrintable(QString::number(list()->keyColumnWidth())));
        QTest::keyClick(w_.get(), Qt::Key_F, Qt::ControlModifier);
        QVERIFY(w_->searchPanel()->isVisible());
        QVERIFY(list()->keyColumnWidth() >= needed);
        for (int width : {500, 900, 620}) {
            w_->resize(width, 500);
            QCoreApplication::processEvents();
            QVERIFY(list()->keyColumnWidth() >= needed);
            QVERIFY(list()->keyColumnWidth() <= 80);
        }
        // The user's drag is held at the same floor.
        list()->horizontalHeader()->resizeSection(0, 5);
        QCOMPARE(list()->keyColumnWidth(), std::max(20, list()->keyColumnFloor()));
        QVERIFY(list()->keyColumnWidth() >= needed);

        // A large list font: the keys would need more than 80 pixels, and 80 it stays.
        w_.reset();
        startWith("[Font]\r\nSize=30\r\n", longTexts());
        QCOMPARE(list()->keyColumnWidth(), 80);
    }

    // Home/End and Ctrl+Home/Ctrl+End go to the first and last entry, Left/Right scroll
    // sideways, and moving between rows keeps the sideways position and whole rows selected.
    void listKeysMoveByRowsAndScrollSideways()
    {
        startWith("[String]\r\nLastString=10\r\n", longTexts());
        list()->setFocus();
        QScrollBar* sideways = list()->horizontalScrollBar();
        QCOMPARE(sideways->value(), 0);
        const auto selectedRow = [this] {
            const QModelIndexList rows = list()->selectionModel()->selectedRows();
            return rows.size() == 1 ? rows.first().row() : -1;
        };
        const auto wholeRowSelected = [this] {
            return list()->selectionModel()->selectedIndexes().size() == 2;
        };

        QTest::keyClick(list(), Qt::Key_End);
        QCOMPARE(w_->currentIndex(), 299);
        QCOMPARE(selectedRow(), 299);
        QCOMPARE(list()->currentIndex().column(), 0);
        QCOMPARE(sideways->value(), 0);  // the keys stay in view
        QVERIFY(wholeRowSelected());
        QTest::keyClick(list(), Qt::Key_Home);
        QCOMPARE(w_->currentIndex(), 0);
        QTest::keyClick(list(), Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(w_->currentIndex(), 299);
        QTest::keyClick(list(), Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(w_->currentIndex(), 0);

        QTest::keyClick(list(), Qt::Key_Right);
        QTest::keyClick(list(), Qt::Key_Right);
        const int scrolled = sideways->value();
        QVERIFY(scrolled > 0);
        QCOMPARE(w_->currentIndex(), 0);
        QTest::keyClick(list(), Qt::Key_Down);
        QCOMPARE(w_->currentIndex(), 1);
        QCOMPARE(sideways->value(), scrolled);
        QVERIFY(wholeRowSelected());
        QTest::keyClick(list(), Qt::Key_Left);
        QVERIFY(sideways->value() < scrolled);
        QTest::keyClick(list(), Qt::Key_End);
        QTest::keyClick(list(), Qt::Key_Left);
        QTest::keyClick(list(), Qt::Key_Left);
        QCOMPARE(sideways->value(), 0);
        QCOMPARE(w_->currentIndex(), 299);

        // A click in the text column, then a move: the cursor is a row, not a cell.
        const QRect textCell = list()->visualRect(list()->model()->index(296, 1));
        QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, textCell.center());
        QCOMPARE(w_->currentIndex(), 296);
        QTest::keyClick(list(), Qt::Key_Up);
        QCOMPARE(w_->currentIndex(), 295);
        QCOMPARE(list()->currentIndex().column(), 0);
    }

    // Enter presses the focused button, as typed by a user: Tab, Tab reaches "Отмена".
    // The dialog is laid out for its font: no empty band under the buttons.
    void editDialogEnterPressesTheFocusedButton()
    {
        startWith("", GxtBuilder().add("k0", "old").add("k1", "two").build());
        int closedAs = -1;  // -1: the keys did not close the dialog
        const auto typeIn = [&](QList<Qt::Key> keys) {
            closedAs = -1;
            prompts_.dialogHandler = [&, keys](QDialog* d) {
                d->show();
                auto* field = d->findChild<QLineEdit*>(QStringLiteral("Edit1"));
                field->setText(QStringLiteral("new"));
                for (Qt::Key k : keys)
                    if (d->isVisible())
                        QTest::keyClick(d->focusWidget() ? d->focusWidget() : d, k);
                if (!d->isVisible())
                    closedAs = d->result();
                return closedAs;
            };
            trigger(*w_, Command::Edit);
        };
        w_->SetStatus(2, QStringLiteral("before"));

        typeIn({Qt::Key_Tab, Qt::Key_Tab, Qt::Key_Return});  // "Отмена"
        QCOMPARE(closedAs, int(QDialog::Rejected));
        QCOMPARE(std::string(w_->document().text(1)), std::string("two"));
        QCOMPARE(w_->statusText(2), QStringLiteral("before"));
        QVERIFY(!w_->isModified());

        typeIn({Qt::Key_Tab, Qt::Key_Return});  // "Да"
        QCOMPARE(closedAs, int(QDialog::Accepted));
        QCOMPARE(std::string(w_->document().text(1)), std::string("new"));
        QCOMPARE(w_->statusText(2), QStringLiteral("Строка изменена"));

        w_->SetStatus(2, QStringLiteral("before"));
        typeIn({Qt::Key_Return});  // in the field: the default button, "Да"
        QCOMPARE(closedAs, int(QDialog::Accepted));
        QCOMPARE(w_->statusText(2), QStringLiteral("Строка изменена"));
        QCOMPARE(w_->session().history().size(), size_t(2));

        // At a small and a large font alike the buttons end close to the bottom edge and
        // the field is fully shown.
        for (int points : {7, 20}) {
            QFont font = QApplication::font();
            font.setPointSize(points);
            QApplication::setFont(font);
            QStringList faults;
            prompts_.dialogHandler = [&](QDialog* d) {
                d->show();
                QCoreApplication::processEvents();
                for (const char* name : {"Button1", "Button2"}) {
                    auto* b = d->findChild<QPushButton*>(QLatin1String(name));
                    const int below = d->height() - 1 - b->geometry().bottom();
                    if (below < 0 || below > 16 || b->height() < b->sizeHint().height())
                        faults << QStringLiteral("%1 ends %2 px above the bottom").arg(name).arg(below);
                }
                auto* field = d->findChild<QLineEdit*>(QStringLiteral("Edit1"));
                if (field->height() < field->sizeHint().height() || d->width() < 430)
                    faults << QStringLiteral("field cut or dialog too narrow");
                return int(QDialog::Rejected);
            };
            trigger(*w_, Command::Edit);
            QVERIFY2(faults.isEmpty(), qPrintable(QString::number(points) + " pt: " + faults.join("; ")));
        }
        QApplication::setFont(QFont());
    }

    // With the search panel shown Enter runs "Найти далее" everywhere in the window, but
    // not in the menu bar navigated by keyboard: there it opens the highlighted menu.
    void enterInTheKeyboardNavigatedMenuBarOpensTheMenu()
    {
        startWith("", GxtBuilder().add("k0", "a").add("k1", "b").build());
        w_->ShowSearchPanel();
        w_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(w_.get()));
        QMenuBar* bar = w_->menuBar();
        QTest::keyClick(w_->searchPanel()->findChild<QComboBox*>(QStringLiteral("ComboBox1")), Qt::Key_Alt,
                        Qt::AltModifier);
        if (QApplication::focusWidget() != bar)
            QSKIP("this style does not hand the keyboard to the menu bar on Alt");
        QTest::keyClick(bar, Qt::Key_Right);  // "Правка"
        QTest::keyClick(bar, Qt::Key_Return);
        auto* opened = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        QVERIFY(opened);
        QCOMPARE(opened->objectName(), QStringLiteral("N8"));
        QVERIFY(w_->statusText(2).isEmpty());  // no search ran
        QVERIFY(w_->searchPanel()->findChild<QComboBox*>(QStringLiteral("ComboBox1"))->count() == 0);
        opened->close();
    }

    // Qt's own texts read Russian, and the save dialog lists its two types as written.
    void qtTextsAreRussianAndTheSaveTypesReadAsWritten()
    {
        QVERIFY2(InstallRussianInterface(*qApp), "qtbase_ru.qm, from qt6-translations-l10n, is missing");
        QMessageBox box(QMessageBox::Information, QStringLiteral("Внимание"), QStringLiteral("?"),
                        QMessageBox::Ok | QMessageBox::Cancel);
        QCOMPARE(box.button(QMessageBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Отмена"));

        QStringList types;
        QString acceptText;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            if (auto* combo = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo")))
                for (int i = 0; i < combo->count(); ++i)
                    types << combo->itemText(i);
            if (auto* buttons = dialog->findChild<QDialogButtonBox*>())
                if (QPushButton* accept = buttons->button(QDialogButtonBox::Save))
                    acceptText = accept->text().remove(QLatin1Char('&'));
            dialog->reject();
        });
        QtPrompts real;
        QCOMPARE(real.saveFileName(nullptr, QString::fromStdString(dir_->path())), QString());
        QCOMPARE(types, (QStringList{"*.gxt", QStringLiteral("Текст (*.txt)")}));
        QCOMPARE(acceptText, QStringLiteral("Сохранить"));
    }

    // LastFile keeps Windows-1251 for the paths it can hold; any other path comes back too.
    void rememberedPathComesBackWhateverItHolds()
    {
        WriteFileBytes(dir_->file("Settings.ini"), "");
        const QString cyrillic = path("") + QStringLiteral("Файлы");
        const QString foreign = path("") + QStringLiteral("ë日本");
        for (const QString& folder : {cyrillic, foreign}) {
            QVERIFY(QDir().mkpath(folder));
            const QString file = folder + QStringLiteral("/текст.gxt");
            WriteFileBytes(platform::CorePath(file), GxtBuilder().add("k", "v").build());
            start({file});
            QCOMPARE(w_->documentPath(), file);
            start();  // the remembered file, no argument
            QVERIFY(w_->isLoaded());
            QCOMPARE(w_->documentPath(), file);
            w_.reset();
            const std::string stored =
                zarnik::IniFile::load(dir_->file("Settings.ini")).readString("File", "LastFile", "");
            if (folder == cyrillic)  // as the Windows program wrote it: one byte a letter
                QCOMPARE(stored, QStringToCp1251(file));
            else
                QVERIFY(stored.find('?') == std::string::npos);
        }
    }
};

QTEST_MAIN(UsageTest)
#include "tst_usage.moc"
