#include "entrylistview.h"
#include "fakeprompts.h"
#include "gxtbuilder.h"
#include "inifile.h"
#include "mainwindow.h"
#include "tempdir.h"

#include <QAction>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace zarnik::testing;

namespace {

template <typename T>
T* child(QDialog* dialog, const char* name)
{
    T* found = dialog->findChild<T*>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}

// The dialog handler for `fill`, which works the dialog's controls (and may stop early on a
// failed check); the dialog's result tells how it was closed.
template <typename Fill>
std::function<int(QDialog*)> handle(Fill fill)
{
    return [fill](QDialog* d) {
        fill(d);
        return d->result();
    };
}

FontChoice courierBlue()
{
    FontChoice choice;
    choice.font = QFont(QStringLiteral("Courier New"), 14);
    choice.font.setItalic(true);
    choice.font.setStrikeOut(true);
    choice.color = QColor(0, 0, 255);
    choice.charSet = 204;
    return choice;
}

}  // namespace

class OptionsTest : public QObject {
    Q_OBJECT

    std::unique_ptr<TempDir> dir_;
    QString doc_;

    std::string settingsFile() const { return dir_->file("Settings.ini"); }
    zarnik::IniFile saved() const { return zarnik::IniFile::load(settingsFile()); }
    std::unique_ptr<MainWindow> start(FakePrompts& prompts, const QStringList& args)
    {
        auto w = std::make_unique<MainWindow>(
            prompts, ProgramDirectory(QString::fromStdString(dir_->path())), args);
        w->show();
        return w;
    }
    static void openOptions(MainWindow& w) { w.findChild<QAction*>(QStringLiteral("N28"))->trigger(); }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        WriteFileBytes(settingsFile(), "[Options]\r\nRecCount=250\r\n");
        GxtBuilder gxt;
        for (int i = 0; i < 6; ++i)
            gxt.add("key" + std::to_string(i), "text " + std::to_string(i));
        WriteFileBytes(dir_->file("doc.gxt"), gxt.build());
        doc_ = QString::fromStdString(dir_->file("doc.gxt"));
    }
    void cleanup() { dir_.reset(); }

    void dialogFrameFocusOrderAndEscape()
    {
        FakePrompts prompts;
        auto w = start(prompts, {doc_});
        prompts.dialogHandler = handle([&](QDialog* d) {
            QCOMPARE(d->minimumSize(), d->maximumSize());
            QVERIFY(d->windowFlags() & Qt::WindowCloseButtonHint);
            QVERIFY(!(d->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                                          Qt::WindowContextHelpButtonHint)));
            QVERIFY(child<QPushButton>(d, "Button2")->isDefault());
            QCOMPARE(child<QSpinBox>(d, "SpinEdit1")->value(), 100);  // the stored 250, limited
            QCOMPARE(child<QWidget>(d, "Button1")->font().family(), w->list()->font().family());

            QStringList order;
            const QStringList ours{"CheckBox1", "CheckBox2", "CheckBox4", "SpinEdit1",
                                   "Button1", "Button2", "Button3"};
            QWidget* at = child<QWidget>(d, "CheckBox1");
            for (int step = 0; step < 100 && order.size() < ours.size(); ++step) {
                if (ours.contains(at->objectName()) && !order.contains(at->objectName()))
                    order.append(at->objectName());
                at = at->nextInFocusChain();
            }
            QCOMPARE(order, (QStringList{"CheckBox1", "Button1", "Button2", "Button3", "CheckBox2",
                                         "SpinEdit1", "CheckBox4"}));

            d->show();  // centred on the window
            QVERIFY((d->frameGeometry().center() - w->frameGeometry().center()).manhattanLength() <= 2);
            QTest::keyClick(d, Qt::Key_Escape);
            QCOMPARE(d->result(), int(QDialog::Rejected));
        });
        openOptions(*w);
        QCOMPARE(prompts.dialogsRun, 1);
    }

    void confirmAppliesAtOnceAndSaves()
    {
        FakePrompts prompts;
        auto w = start(prompts, {doc_});
        QVERIFY(w->list()->showGrid());
        w->applySearchSettings({"a", "b", "c", "d"}, true, false);
        prompts.fontAnswers = {courierBlue()};
        prompts.dialogHandler = handle([&](QDialog* d) {
            child<QCheckBox>(d, "CheckBox1")->setChecked(false);
            child<QCheckBox>(d, "CheckBox2")->setChecked(false);
            child<QCheckBox>(d, "CheckBox4")->setChecked(false);
            child<QSpinBox>(d, "SpinEdit1")->setValue(3);
            child<QPushButton>(d, "Button1")->click();
            // Drawn in the font picked, which the list does not have yet.
            QCOMPARE(child<QWidget>(d, "Button1")->font().family(), QStringLiteral("Courier New"));
            QCOMPARE(w->list()->font().family(), QStringLiteral("MS Sans Serif"));
            child<QPushButton>(d, "Button2")->click();
        });
        openOptions(*w);
        QVERIFY(!w->list()->showGrid());
        QCOMPARE(w->list()->font().family(), QStringLiteral("Courier New"));
        QCOMPARE(w->list()->font().pointSize(), 14);
        QCOMPARE(w->list()->palette().color(QPalette::Text), QColor(0, 0, 255));

        // Saved at once, before the window goes.
        const zarnik::IniFile ini = saved();
        QCOMPARE(ini.readInt("Options", "AutoSize", -1), 0);
        QCOMPARE(ini.readInt("Options", "UseGrig", -1), 0);
        QCOMPARE(ini.readInt("Options", "ChangeDir", -1), 0);
        QCOMPARE(ini.readInt("Options", "RecCount", -1), 3);
        QCOMPARE(ini.readString("Font", "Name", ""), "Courier New");
        QCOMPARE(ini.readInt("Font", "CharSet", -1), 204);
        QCOMPARE(ini.readInt("Font", "Color", -1), 0xFF0000);
        QCOMPARE(ini.readInt("Font", "Size", -1), 14);
        QCOMPARE(ini.readInt("Font", "Style", -1), 2 | 8);
        QCOMPARE(ReadFileBytes(dir_->file("LastSearched.ini")), std::string("a\0b\0c\0", 6));

        // A field emptied by the user counts as 0.
        prompts.dialogHandler = handle([&](QDialog* d) {
            child<QSpinBox>(d, "SpinEdit1")->findChild<QLineEdit*>()->clear();
            child<QPushButton>(d, "Button2")->click();
        });
        openOptions(*w);
        QCOMPARE(saved().readInt("Options", "RecCount", -1), 0);
        QCOMPARE(ReadFileBytes(dir_->file("LastSearched.ini")), std::string());
    }

    void cancelChangesNothingEvenAfterAFontWasPicked()
    {
        FakePrompts prompts;
        auto w = start(prompts, {doc_});
        const std::string before = ReadFileBytes(settingsFile());
        prompts.fontAnswers = {courierBlue()};
        prompts.dialogHandler = handle([&](QDialog* d) {
            child<QCheckBox>(d, "CheckBox2")->setChecked(false);
            child<QPushButton>(d, "Button1")->click();
            child<QPushButton>(d, "Button3")->click();
        });
        openOptions(*w);
        QVERIFY(prompts.fontAnswers.isEmpty());  // the font dialog did run
        QVERIFY(w->list()->showGrid());
        QCOMPARE(w->list()->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(ReadFileBytes(settingsFile()), before);

        // A cancelled font dialog keeps the working font; confirming then changes no font.
        prompts.dialogHandler = handle([&](QDialog* d) {
            child<QPushButton>(d, "Button1")->click();
            child<QPushButton>(d, "Button2")->click();
        });
        openOptions(*w);
        QCOMPARE(w->list()->font().family(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(saved().readInt("Options", "RecCount", -1), 100);  // shown as 100, saved so

        w.reset();
        QCOMPARE(saved().readString("Font", "Name", ""), "MS Sans Serif");
        QCOMPARE(saved().readInt("Font", "Color", -1), 0);
        QCOMPARE(saved().readInt("Options", "UseGrig", -1), 1);
    }

    void everythingComesBackAfterARestart()
    {
        FakePrompts prompts;
        auto w = start(prompts, {doc_});
        w->move(50, 60);
        const QSize frame = w->frameGeometry().size() - w->size();
        w->resize(QSize(800, 600) - frame);
        w->list()->setKeyColumnWidth(45);
        w->list()->selectRow(4);
        w->SelectMode(2);
        w->applySearchSettings({"x", "y"}, false, true);
        prompts.fontAnswers = {courierBlue()};
        prompts.dialogHandler = handle([&](QDialog* d) {
            child<QCheckBox>(d, "CheckBox1")->setChecked(false);
            child<QCheckBox>(d, "CheckBox2")->setChecked(false);
            child<QSpinBox>(d, "SpinEdit1")->setValue(7);
            child<QPushButton>(d, "Button1")->click();
            child<QPushButton>(d, "Button2")->click();
        });
        openOptions(*w);
        prompts.dialogHandler = nullptr;
        w.reset();
        const std::string first = ReadFileBytes(settingsFile());

        w = start(prompts, {});
        QCOMPARE(w->documentPath(), doc_);
        QVERIFY(w->isLoaded());
        QCOMPARE(w->frameGeometry(), QRect(50, 60, 800, 600));
        QCOMPARE(w->list()->keyColumnWidth(), 45);
        QCOMPARE(w->currentIndex(), 4);
        QCOMPARE(w->languageMode(), 2);
        QVERIFY(w->findChild<QAction*>(QStringLiteral("Linear"))->isChecked());
        QVERIFY(!w->list()->showGrid());
        QCOMPARE(w->list()->font().family(), QStringLiteral("Courier New"));
        QVERIFY(w->list()->font().italic() && w->list()->font().strikeOut());
        QCOMPARE(w->list()->palette().color(QPalette::Text), QColor(0, 0, 255));
        QStringList history;
        bool down = true, matchCase = false;
        w->readSearchSettings(history, down, matchCase);
        QCOMPARE(history, (QStringList{"x", "y"}));
        QVERIFY(!down && matchCase);
        // The options come back into the dialog as they were confirmed.
        prompts.dialogHandler = handle([&](QDialog* d) {
            QVERIFY(!child<QCheckBox>(d, "CheckBox1")->isChecked());
            QVERIFY(!child<QCheckBox>(d, "CheckBox2")->isChecked());
            QVERIFY(child<QCheckBox>(d, "CheckBox4")->isChecked());
            QCOMPARE(child<QSpinBox>(d, "SpinEdit1")->value(), 7);
        });
        openOptions(*w);
        QCOMPARE(prompts.dialogsRun, 2);
        w.reset();
        // A run that changed nothing writes the same file: nothing drifts.
        QCOMPARE(ReadFileBytes(settingsFile()), first);
        QVERIFY(prompts.asked.isEmpty());
    }
};

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
