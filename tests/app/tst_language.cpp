#include "cp1251.h"
#include "encodings.h"
#include "entrylistmodel.h"
#include "entrylistview.h"
#include "fakeprompts.h"
#include "gxtbuilder.h"
#include "mainwindow.h"
#include "tempdir.h"

#include <QAction>
#include <QMenu>
#include <QSignalSpy>
#include <QtTest>

using namespace zarnik::testing;

class LanguageTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    FakePrompts prompts_;
    std::unique_ptr<MainWindow> w_;

    QString row(int i) const
    {
        return w_->listModel()->data(w_->listModel()->index(i, 1), Qt::DisplayRole).toString();
    }
    QAction* action(const char* name) const { return w_->findChild<QAction*>(QLatin1String(name)); }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        WriteFileBytes(dir_->file("Settings.ini"), "");  // a first start would warn without one
        const std::string file = dir_->file("ru.gxt");
        WriteFileBytes(file, GxtBuilder('R')
                                 .add("b", BukaText("Бука съела ёжика"))
                                 .add("p", PirateText("ПИРАТКА"))
                                 .add("l", "Latin only")
                                 .build());
        w_ = std::make_unique<MainWindow>(prompts_, ProgramDirectory(QString::fromStdString(dir_->path())),
                                          QStringList{QString::fromStdString(file)});
        w_->show();
    }
    void cleanup()
    {
        w_.reset();
        dir_.reset();
    }

    void bukaIsTheDefaultAndShowsCyrillic()
    {
        QCOMPARE(w_->languageMode(), 3);
        QVERIFY(action("Buka")->isChecked());
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

        action("Linear")->trigger();
        QCOMPARE(w_->languageMode(), 2);
        QCOMPARE(w_->languageMenu()->title(), QStringLiteral("Язык (П)"));
        QCOMPARE(row(1), QStringLiteral("ПИРАТКА"));
        QCOMPARE(resets.size(), 1);
        QCOMPARE(w_->currentIndex(), 2);

        // The popup twin does what its menu item does.
        action("N45")->trigger();
        QCOMPARE(w_->languageMode(), 1);
        QVERIFY(action("N30")->isChecked());
        QCOMPARE(w_->languageMenu()->title(), QStringLiteral("Язык (О)"));
        QCOMPARE(row(2), QStringLiteral("Latin only"));
        QCOMPARE(QStringToCp1251(row(1)), PirateText("ПИРАТКА"));

        QCOMPARE(w_->document().currentTexts(), storedBefore);
        QVERIFY(!w_->isModified());
        QCOMPARE(w_->statusText(2), QString());
        QVERIFY(!w_->windowTitle().endsWith(QLatin1Char('*')));

        // The mode in force: nothing happens, not even a refill.
        resets.clear();
        action("N30")->trigger();
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
        action("Linear")->trigger();
        QCOMPARE(w_->ToStorage(privet), std::string("\x8F\x90\x88\x82\x85\x92"));
        QCOMPARE(w_->ToDisplay(w_->ToStorage(privet)), privet);
        action("Buka")->trigger();
        QCOMPARE(w_->ToDisplay(BukaText("Бука")), zarnik::Utf8ToCp1251("Бука"));
    }
};

QTEST_MAIN(LanguageTest)
#include "tst_language.moc"
