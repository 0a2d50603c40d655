// SPDX-License-Identifier: GPL-3.0-or-later
#include "entrylistview.h"
#include "gxtbuilder.h"
#include "inifile.h"
#include "windowtest.h"

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
    if (T* found = dialog->findChild<T*>(QLatin1String(name)))
        return found;
    qFatal("no control %s", name);
}

// A dialog handler that works the controls with `fill`; the dialog's result tells how it closed.
template <typename Fill>
std::function<int(QDialog*)> handle(Fill fill)
{
    return [fill](QDialog* d) { fill(d); return d->result(); };
}

FontChoice courierBlue()
{
    QFont font(QStringLiteral("Courier New"), 14);
    font.setItalic(true);
    font.setStrikeOut(true);
    return {font, QColor(0, 0, 255), 204};
}

}  // namespace

class OptionsTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> w_;

    std::string settingsFile() const { return dir_->file("Settings.ini"); }
    zarnik::IniFile saved() const { return zarnik::IniFile::load(settingsFile()); }
    void start(const QStringList& args)
    {
        w_ = startWindow(args);
    }
    void openOptions() { trigger(*w_, Command::Options); }
    QString listFont() const { return w_->list()->font().family(); }

private slots:
    void init()
    {
        freshFolder(false);
        WriteFileBytes(settingsFile(), "[Options]\r\nRecCount=250\r\n");
        WriteFileBytes(dir_->file("doc.gxt"), GxtBuilder().add("k0", "a").add("k1", "b").add("k2", "c")
                                                  .add("k3", "d").add("k4", "e").build());
        start({QString::fromStdString(dir_->file("doc.gxt"))});
    }
    void cleanup() { w_.reset(); dir_.reset(); }

    void cancelChangesNothingEvenAfterAFontWasPicked()
    {
        const std::string before = ReadFileBytes(settingsFile());
        prompts_.fontAnswers = {courierBlue()};
        prompts_.dialogHandler = handle([&](QDialog* d) {
            QCOMPARE(child<QSpinBox>(d, "SpinEdit1")->value(), 100);  // the stored 250, limited
            child<QCheckBox>(d, "CheckBox2")->setChecked(false);
            child<QPushButton>(d, "Button1")->click();
            child<QPushButton>(d, "Button3")->click();
        });
        openOptions();
        QVERIFY(prompts_.fontAnswers.isEmpty());  // the font dialog did run
        QVERIFY(w_->list()->showGrid());
        QCOMPARE(listFont(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(ReadFileBytes(settingsFile()), before);

        // A cancelled font dialog keeps the working font; a field emptied by the user counts as 0.
        prompts_.dialogHandler = handle([&](QDialog* d) {
            child<QPushButton>(d, "Button1")->click();
            child<QSpinBox>(d, "SpinEdit1")->findChild<QLineEdit*>()->clear();
            child<QPushButton>(d, "Button2")->click();
        });
        openOptions();
        QCOMPARE(listFont(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(saved().readInt("Options", "RecCount", -1), 0);
    }

    void confirmAppliesAtOnceSavesAndComesBackAfterARestart()
    {
        w_->move(50, 60);
        w_->resize(QSize(700, 500) - (w_->frameGeometry().size() - w_->size()));
        w_->list()->selectRow(4);
        w_->applySearchSettings({"a", "b", "c", "d"}, true, false);
        prompts_.fontAnswers = {courierBlue()};
        prompts_.dialogHandler = handle([&](QDialog* d) {
            child<QCheckBox>(d, "CheckBox1")->setChecked(false);
            child<QCheckBox>(d, "CheckBox2")->setChecked(false);
            child<QCheckBox>(d, "CheckBox4")->setChecked(false);
            child<QSpinBox>(d, "SpinEdit1")->setValue(3);
            child<QPushButton>(d, "Button1")->click();
            // Drawn in the font picked, which the list does not have yet.
            QCOMPARE(child<QWidget>(d, "Button1")->font().family(), QStringLiteral("Courier New"));
            QCOMPARE(listFont(), QStringLiteral("MS Sans Serif"));
            child<QPushButton>(d, "Button2")->click();
        });
        openOptions();
        QVERIFY(!w_->list()->showGrid());
        QCOMPARE(listFont(), QStringLiteral("Courier New"));
        QCOMPARE(w_->list()->palette().color(QPalette::Text), QColor(0, 0, 255));
        // Saved at once, before the window goes, the history cut to the new count. The colour
        // and style are stored as Windows keeps them (BGR, bit flags).
        const zarnik::IniFile ini = saved();
        QCOMPARE(ini.readInt("Options", "RecCount", -1), 3);
        QCOMPARE(ini.readInt("Font", "Color", -1), 0xFF0000);
        QCOMPARE(ini.readInt("Font", "Style", -1), 2 | 8);
        QCOMPARE(ReadFileBytes(dir_->file("LastSearched.ini")), std::string("a\0b\0c\0", 6));
        w_.reset();
        const std::string first = ReadFileBytes(settingsFile());

        start({});  // the last file again
        QCOMPARE(w_->frameGeometry(), QRect(50, 60, 700, 500));
        QCOMPARE(w_->currentIndex(), 4);
        QVERIFY(!w_->list()->showGrid());
        QCOMPARE(listFont(), QStringLiteral("Courier New"));
        QVERIFY(w_->list()->font().italic() && w_->list()->font().strikeOut());
        QCOMPARE(w_->list()->palette().color(QPalette::Text), QColor(0, 0, 255));
        prompts_.dialogHandler = handle([&](QDialog* d) {
            QVERIFY(!child<QCheckBox>(d, "CheckBox1")->isChecked() && !child<QCheckBox>(d, "CheckBox4")->isChecked());
            QCOMPARE(child<QSpinBox>(d, "SpinEdit1")->value(), 3);
        });
        openOptions();
        QCOMPARE(prompts_.dialogsRun, 2);
        w_.reset();
        QCOMPARE(ReadFileBytes(settingsFile()), first);  // a run that changed nothing: no drift
        QVERIFY(prompts_.asked.isEmpty());
    }
};

QTEST_MAIN(OptionsTest)
#include "tst_options.moc"
