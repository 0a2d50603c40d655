// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/cp1251.h"
#include "text/encodings.h"
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "gxtbuilder.h"
#include "windowtest.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

using namespace zarnik::testing;

class LanguageTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> w_;

    QString row(int i) const
    {
        return w_->listModel()->data(w_->listModel()->index(i, 1), Qt::DisplayRole).toString();
    }

private slots:
    void init()
    {
        freshFolder();
        w_ = startWindow({writeFile("ru.gxt", GxtBuilder('R')
                                                  .add("b", BukaText("Бука съела ёжика"))
                                                  .add("p", PirateText("ПИРАТКА"))
                                                  .add("l", "Latin only")
                                                  .build())});
    }
    void cleanup()
    {
        w_.reset();
        dir_.reset();
    }

    void bukaIsTheDefaultAndShowsCyrillic()
    {
        QCOMPARE(w_->languageMode(), 3);
        QVERIFY(action(*w_, Command::ModeBuka)->isChecked());
        // "ё" has no Buka form: it stays B8, which the Buka table shows as "Г";
        // Ъ and Ь share a Buka byte, shown as Ь.
        QCOMPARE(row(0), QStringLiteral("Бука сьела Гжика"));  // ъ comes back as ь
        QCOMPARE(row(2), QStringLiteral("Latin only"));
    }

    void switchingChangesOnlyTheDisplay()
    {
        const auto storedBefore = w_->document().currentTexts();
        w_->list()->selectRow(2);
        QSignalSpy resets(w_->listModel(), &QAbstractItemModel::modelReset);

        trigger(*w_, Command::ModePirate);
        QCOMPARE(w_->languageMode(), 2);
        QCOMPARE(w_->languageMenu()->title(), QStringLiteral("Язык (П)"));
        QCOMPARE(row(1), QStringLiteral("ПИРАТКА"));
        QCOMPARE(resets.size(), 1);
        QCOMPARE(w_->currentIndex(), 2);

        // The popup twin does what its menu item does.
        w_->popupAction(Command::ModeOriginal)->trigger();
        QCOMPARE(w_->languageMode(), 1);
        QVERIFY(action(*w_, Command::ModeOriginal)->isChecked());
        QCOMPARE(w_->languageMenu()->title(), QStringLiteral("Язык (О)"));
        QCOMPARE(row(2), QStringLiteral("Latin only"));
        QCOMPARE(QStringToCp1251(row(1)), PirateText("ПИРАТКА"));

        QCOMPARE(w_->document().currentTexts(), storedBefore);
        QVERIFY(!w_->isModified());
        QCOMPARE(w_->statusText(2), QString());
        QVERIFY(!w_->windowTitle().endsWith(QLatin1Char('*')));

        // The mode in force: nothing happens, not even a refill.
        resets.clear();
        trigger(*w_, Command::ModeOriginal);
        QCOMPARE(resets.size(), 0);
    }

    void shortcutsSwitchModes()
    {
        QVERIFY(QTest::qWaitForWindowExposed(w_.get()));
        QTest::keyClick(w_->list(), Qt::Key_P, Qt::ControlModifier);
        QCOMPARE(w_->languageMode(), 2);
        QTest::keyClick(w_->list(), Qt::Key_O, Qt::ControlModifier);
        QCOMPARE(w_->languageMode(), 1);
        QTest::keyClick(w_->list(), Qt::Key_B, Qt::ControlModifier);
        QCOMPARE(w_->languageMode(), 3);
    }

    void toDisplayAndToStorageFollowTheCheckedMode()
    {
        const std::string privet = zarnik::Utf8ToCp1251("ПРИВЕТ");
        trigger(*w_, Command::ModePirate);
        QCOMPARE(w_->ToStorage(privet), std::string("\x8F\x90\x88\x82\x85\x92"));
        QCOMPARE(w_->ToDisplay(w_->ToStorage(privet)), privet);
        trigger(*w_, Command::ModeBuka);
        QCOMPARE(w_->ToDisplay(BukaText("Бука")), zarnik::Utf8ToCp1251("Бука"));
    }
};

QTEST_MAIN(LanguageTest)
#include "tst_language.moc"
