#include "cp1251.h"
#include "entrylistmodel.h"
#include "fakeprompts.h"
#include "gxtbuilder.h"
#include "mainwindow.h"
#include "tempdir.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QtTest>

#include <filesystem>

using namespace zarnik::testing;

namespace {

uint32_t le32At(const std::string& bytes, size_t at)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | static_cast<uint8_t>(bytes.at(at + i));
    return v;
}

// The Info box's four lines as the file on disk states them.
QString infoOf(const std::string& file)
{
    const uint32_t keyTable = le32At(file, 10);
    const char language = file.at(3);
    return QStringLiteral("Язык: %1\nКол-во строк: %2\nРазмер идов: %3\nРазмер строк: %4")
        .arg(language ? Cp1251ToQString(std::string_view(&language, 1)) : QString())
        .arg(keyTable / 12)
        .arg(keyTable)
        .arg(le32At(file, 14 + keyTable + 4));
}

}  // namespace

class HelpTest : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<TempDir> dir_;
    QString path(const char* name) const { return QString::fromStdString(dir_->file(name)); }
    QString writeFile(const char* name, const std::string& bytes)
    {
        WriteFileBytes(dir_->file(name), bytes);
        return path(name);
    }
    std::unique_ptr<MainWindow> start(FakePrompts& prompts, const QStringList& args = {})
    {
        auto w = std::make_unique<MainWindow>(
            prompts, ProgramDirectory(QString::fromStdString(dir_->path())), args);
        w->show();
        return w;
    }
    static void trigger(MainWindow& w, const char* name)
    {
        QAction* a = w.findChild<QAction*>(QLatin1String(name));
        QVERIFY2(a && a->isEnabled(), name);
        a->trigger();
    }
    // Runs the readme command and hands back what the window showed; empty when no
    // window was shown.
    struct Shown {
        bool opened = false;
        QString title, objectName, text;
        bool readOnly = false;
        QRect geometry;
        bool wraps = false, horizontalBarOff = false, verticalBarOn = false, frameless = false;
        bool escCloses = false;
    };
    static Shown runReadme(MainWindow& w, FakePrompts& prompts)
    {
        Shown shown;
        prompts.dialogHandler = [&shown](QDialog* d) {
            shown.opened = true;
            shown.title = d->windowTitle();
            shown.objectName = d->objectName();
            shown.geometry = d->geometry();
            if (auto* memo = d->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"))) {
                shown.text = memo->toPlainText();
                shown.readOnly = memo->isReadOnly();
                shown.wraps = memo->lineWrapMode() == QPlainTextEdit::WidgetWidth;
                shown.horizontalBarOff = memo->horizontalScrollBarPolicy() == Qt::ScrollBarAlwaysOff;
                shown.verticalBarOn = memo->verticalScrollBarPolicy() != Qt::ScrollBarAlwaysOff;
                shown.frameless = memo->frameShape() == QFrame::NoFrame;
                d->show();
                QTest::keyClicks(memo, QStringLiteral("typed"));
                QTest::keyClick(memo, Qt::Key_Escape);
                shown.escCloses = !d->isVisible() && d->result() == QDialog::Rejected;
                if (memo->toPlainText() != shown.text)
                    shown.readOnly = false;
            }
            return int(QDialog::Rejected);
        };
        trigger(w, "Readmetxt1");
        prompts.dialogHandler = nullptr;
        return shown;
    }

private slots:
    void init()
    {
        dir_ = std::make_unique<TempDir>();
        WriteFileBytes(dir_->file("Settings.ini"), "");  // a first start would warn without one
    }
    void cleanup() { dir_.reset(); }

    void missingReadmeShowsOnlyTheWarning()
    {
        FakePrompts prompts;
        auto w = start(prompts);  // no document: the help menu works all the same
        const Shown shown = runReadme(*w, prompts);
        QVERIFY(!shown.opened);
        QCOMPARE(prompts.dialogsRun, 0);
        QCOMPARE(prompts.asked.size(), 1);
        QCOMPARE(prompts.asked[0].kind, MessageKind::Warning);
        QCOMPARE(prompts.asked[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(prompts.asked[0].text, QStringLiteral("Файл Readme.txt не найден"));
    }

    void emptyReadmeOpensAnEmptyWindow()
    {
        writeFile("Readme.txt", "");
        FakePrompts prompts;
        auto w = start(prompts);
        const Shown shown = runReadme(*w, prompts);
        QVERIFY(shown.opened);
        QCOMPARE(shown.objectName, QStringLiteral("TForm4"));
        QCOMPARE(shown.title, QStringLiteral("Readme"));
        QCOMPARE(shown.text, QString());
        QVERIFY(prompts.asked.isEmpty());
    }

    void readmeLinesAreShownDecodedInAReadOnlyWindow()
    {
        // Windows-1251 with every kind of line end; the last line has none.
        writeFile("Readme.txt", zarnik::Utf8ToCp1251("Справка — «Зарник» №1\r\n\r\nёлка\nЁЖ\rlast"));
        FakePrompts prompts;
        auto w = start(prompts);
        w->resize(700, 600);
        const Shown shown = runReadme(*w, prompts);
        QVERIFY(shown.opened);
        QCOMPARE(shown.text, QStringLiteral("Справка — «Зарник» №1\n\nёлка\nЁЖ\nlast"));
        QVERIFY(shown.readOnly);
        QVERIFY(shown.wraps);
        QVERIFY(shown.horizontalBarOff);
        QVERIFY(shown.verticalBarOn);
        QVERIFY(shown.frameless);
        QVERIFY(shown.escCloses);
        QCOMPARE(shown.geometry.size(), QSize(500, 400));
        QVERIFY((shown.geometry.center() - w->geometry().center()).manhattanLength() <= 2);
        QVERIFY(prompts.asked.isEmpty());

        // A line end after the last line opens no empty line; the window follows the
        // main window's present size.
        writeFile("Readme.txt", "one\r\ntwo\r\n");
        w->resize(600, 500);
        const Shown again = runReadme(*w, prompts);
        QCOMPARE(again.text, QStringLiteral("one\ntwo"));
        QCOMPARE(again.geometry.size(), QSize(400, 300));
    }

    void unreadableReadmeIsAnErrorAndNoWindow()
    {
        std::filesystem::create_directory(dir_->file("Readme.txt"));
        FakePrompts prompts;
        auto w = start(prompts);
        const Shown shown = runReadme(*w, prompts);
        QVERIFY(!shown.opened);
        QCOMPARE(prompts.asked.size(), 1);
        QCOMPARE(prompts.asked[0].kind, MessageKind::Error);
        QCOMPARE(prompts.asked[0].caption, QStringLiteral("Zarnik"));
        QVERIFY2(prompts.asked[0].text.contains(path("Readme.txt")), qPrintable(prompts.asked[0].text));
        QVERIFY(prompts.asked[0].text.endsWith(QLatin1Char('.')));
    }

    void aboutBoxLines()
    {
        FakePrompts prompts;
        auto w = start(prompts);
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w.get(), Qt::Key_F1);  // F1 works without a document
        QCOMPARE(prompts.asked.size(), 1);
        QCOMPARE(prompts.asked[0].kind, MessageKind::Information);
        QCOMPARE(prompts.asked[0].caption, QStringLiteral("О программе"));

        const QStringList lines = prompts.asked[0].text.split(QLatin1Char('\n'));
        QVERIFY(lines.size() >= 8);
        QCOMPARE(lines[0], QStringLiteral("Zarnik 1.0"));
        QVERIFY(lines[1].startsWith(QStringLiteral("Автор ")));
        QCOMPARE(lines[2], QStringLiteral("02.07.2008"));
        const qsizetype made = lines.indexOf(QStringLiteral("Сделано в России."));
        QVERIFY2(made > 3, "contact lines come between the date and the country");
        QCOMPARE(lines.size(), made + 4);
        QCOMPARE(lines[made + 1], QString());
        QVERIFY(lines[made + 2].startsWith(QStringLiteral("Скачано с ")));
        QVERIFY(lines[made + 3].startsWith(QStringLiteral("Наш форум ")));
        for (const QString& line : {lines[1], lines[made + 2], lines[made + 3]})
            QVERIFY2(line.section(QLatin1Char(' '), -1).size() > 3, qPrintable(line));
    }

    void infoShowsTheFiguresOfTheFileAsLastWritten()
    {
        // Declared sizes that a save recomputes: a key-table remainder, a shared string
        // and a data size that does not match the data.
        const std::string original = GxtBuilder('R')
                                         .add("one", "first")
                                         .add("two", "second text")
                                         .addShared("three", 1)
                                         .keyTablePadding(std::string(5, '\0'))
                                         .dataSize(777)
                                         .build();
        const QString file = writeFile("texts.gxt", original);
        FakePrompts prompts;
        auto w = start(prompts, {file});
        trigger(*w, "N5");
        QCOMPARE(prompts.asked.size(), 1);
        QCOMPARE(prompts.asked[0].kind, MessageKind::Information);
        QCOMPARE(prompts.asked[0].caption, QStringLiteral("Информация"));
        QCOMPARE(prompts.asked[0].text,
                 QStringLiteral("Язык: R\nКол-во строк: 3\nРазмер идов: 41\nРазмер строк: 777"));

        // A text export writes another file: the figures stay.
        prompts.saveNames = {path("texts.txt")};
        trigger(*w, "N4");
        QCOMPARE(w->statusText(2), QStringLiteral("Файл сохранён как текст"));
        trigger(*w, "N5");
        QCOMPARE(prompts.asked.last().text, prompts.asked[0].text);

        // A failed save writes nothing: the figures stay.
        std::filesystem::create_directories(dir_->file("texts.gxt_/keep"));
        trigger(*w, "N3");
        QCOMPARE(prompts.texts(MessageKind::Error).size(), 1);
        trigger(*w, "N5");
        QCOMPARE(prompts.asked.last().text, prompts.asked[0].text);

        std::filesystem::remove_all(dir_->file("texts.gxt_"));
        trigger(*w, "N3");
        QCOMPARE(w->statusText(2), QStringLiteral("Файл сохранён"));
        const std::string written = ReadFileBytes(file.toStdString());
        QVERIFY(written != original);
        trigger(*w, "N5");
        const QString after = prompts.asked.last().text;
        QCOMPARE(after, infoOf(written));
        // Sanity of the fixture: the save really changed both sizes.
        QVERIFY(!after.contains(QStringLiteral("777")));
        QVERIFY(after.contains(QStringLiteral("Размер идов: 36\n")));
    }

    void zeroLanguageByteKeepsAllFourLines()
    {
        const QString file = writeFile("zero.gxt", GxtBuilder('\0').add("a", "xy").build());
        FakePrompts prompts;
        auto w = start(prompts, {file});
        trigger(*w, "N5");
        QCOMPARE(prompts.asked.last().text,
                 QStringLiteral("Язык: \nКол-во строк: 1\nРазмер идов: 12\nРазмер строк: 6"));

        // A language byte above 0x7F is a Windows-1251 letter.
        prompts.openNames = {writeFile("ru.gxt", GxtBuilder('\xD0').add("a", "xy").build())};
        trigger(*w, "N2");
        trigger(*w, "N5");
        QVERIFY(prompts.asked.last().text.startsWith(QStringLiteral("Язык: Р\n")));
    }

    void exportInPirateModeUsesTheBukaTableAndLeavesTheDocumentAlone()
    {
        const std::string original = GxtBuilder('R')
                                         .add("pir1", "\x8F\x90\x88\x82\x85\x92")  // Pirate ПРИВЕТ
                                         .add("BUKA", "\xC1\xD0\xC0")              // Buka АБВ
                                         .build();
        const QString file = writeFile("texts.gxt", original);
        FakePrompts prompts;
        auto w = start(prompts, {file});
        trigger(*w, "Linear");
        QCOMPARE(w->listModel()->data(w->listModel()->index(0, 1), Qt::DisplayRole).toString(),
                 QStringLiteral("ПРИВЕТ"));
        w->SetModified(true);

        prompts.saveNames = {path("export.txt")};
        trigger(*w, "N4");
        QVERIFY(prompts.asked.isEmpty());
        QCOMPARE(ReadFileBytes(dir_->file("export.txt")),
                 std::string("pir1=\x8F\x90\x88\x82\x85\x92\r\n \r\n=\xC0\xC1\xC2\r\n \r\n"));
        QCOMPARE(w->statusText(2), QStringLiteral("Файл сохранён как текст"));
        QVERIFY(w->isModified());
        QCOMPARE(w->windowTitle(), file + "*");
        QCOMPARE(w->documentPath(), file);
        QCOMPARE(w->languageMode(), 2);
        QCOMPARE(ReadFileBytes(file.toStdString()), original);
        QVERIFY(!FileExists(dir_->file("texts.gxt_")));

        // An export that cannot be put in place is reported and never called done.
        std::filesystem::create_directory(dir_->file("taken.txt"));
        w->SetStatus(2, QStringLiteral("before"));
        prompts.saveNames = {path("taken.txt")};
        trigger(*w, "N4");
        const QStringList errors = prompts.texts(MessageKind::Error);
        QCOMPARE(errors.size(), 1);
        QVERIFY2(errors[0].contains(path("taken.txt")), qPrintable(errors[0]));
        QCOMPARE(w->statusText(2), QStringLiteral("before"));
        QCOMPARE(w->windowTitle(), file + "*");
        QVERIFY(std::filesystem::is_directory(dir_->file("taken.txt")));
    }

    void shippedReadmeIsWindows1251AndCoversEveryCommand()
    {
        const QString shipped = QFINDTESTDATA("../../resources/Readme.txt");
        QVERIFY2(!shipped.isEmpty(), "resources/Readme.txt is missing");
        const std::string bytes = ReadFileBytes(shipped.toStdString());
        QVERIFY(bytes.size() > 2000);
        // CR LF throughout, and Cyrillic as single Windows-1251 bytes, not UTF-8.
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (bytes[i] == '\n')
                QVERIFY2(i > 0 && bytes[i - 1] == '\r', "a line ends without CR");
            if (bytes[i] == '\r')
                QVERIFY2(i + 1 < bytes.size() && bytes[i + 1] == '\n', "a lone CR");
        }
        QVERIFY(!QString::fromUtf8(QByteArray::fromStdString(bytes)).contains(QStringLiteral("Пиратка")));
        const QString text = Cp1251ToQString(bytes);
        for (const char* topic : {"Пиратка", "Бука", "Settings.ini", "LastSearched.ini", "texts.gxt_",
                                  "Ctrl+F", "Esc", "Enter"})
            QVERIFY2(text.contains(QString::fromUtf8(topic)), topic);

        // Every menu command by its caption, and on the same line its shortcut, exactly as
        // the menus have them.
        const QStringList lines = text.split(QStringLiteral("\r\n"));
        FakePrompts prompts;
        auto w = start(prompts);
        int commands = 0;
        for (QAction* a : w->actions()) {
            if (a->text().isEmpty())
                continue;  // the window's own Esc
            ++commands;
            const QString caption = a->text();
            const QString key = a->shortcut().toString(QKeySequence::PortableText);
            const QRegularExpression keyAlone(QStringLiteral("(^|\\s)%1(\\s|$)")
                                                  .arg(QRegularExpression::escape(key)));
            bool found = false;
            for (const QString& line : lines)
                found = found || (line.contains(caption) && (key.isEmpty() || line.contains(keyAlone)));
            QVERIFY2(found, qPrintable(caption + QLatin1Char(' ') + key));
        }
        QVERIFY(commands >= 25);
    }
};

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
