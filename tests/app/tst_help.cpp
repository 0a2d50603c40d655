// SPDX-License-Identifier: GPL-3.0-or-later
#include "text/cp1251.h"
#include "gxtbuilder.h"
#include "windowtest.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QtTest>

#include <filesystem>

using namespace zarnik::testing;

class HelpTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> start(const QStringList& args = {}) { return startWindow(args); }
    QString lastMessage() const { return prompts_.asked.isEmpty() ? QString() : prompts_.asked.last().text; }

    // What the readme window showed; `opened` stays false when none was shown.
    struct Shown {
        bool opened = false, readOnly = false, escCloses = false;
        QString text;
        QRect geometry;
    };
    Shown runReadme(MainWindow& w)
    {
        Shown shown;
        prompts_.dialogHandler = [&shown](QDialog* d) {
            auto* memo = d->findChild<QPlainTextEdit*>(QStringLiteral("Memo1"));
            shown = {true, false, false, memo->toPlainText(), d->geometry()};
            d->show();
            QTest::keyClicks(memo, QStringLiteral("typed"));
            QTest::keyClick(memo, Qt::Key_Escape);
            shown.readOnly = memo->toPlainText() == shown.text;
            shown.escCloses = !d->isVisible() && d->result() == QDialog::Rejected;
            return int(QDialog::Rejected);
        };
        trigger(w, Command::Readme);
        prompts_.dialogHandler = nullptr;
        return shown;
    }

private slots:
    void init()
    {
        freshFolder();
    }
    void cleanup() { dir_.reset(); }

    // The help menu works without a document.
    void readmeMissingEmptyOrUnreadable()
    {
        auto w = start();
        QVERIFY(!runReadme(*w).opened);
        QCOMPARE(prompts_.asked.size(), 1);
        QCOMPARE(prompts_.asked[0].kind, MessageKind::Warning);
        QCOMPARE(prompts_.asked[0].text, QStringLiteral("Файл Readme.txt не найден"));

        writeFile("Readme.txt", "");
        const Shown empty = runReadme(*w);
        QVERIFY(empty.opened);
        QCOMPARE(empty.text, QString());
        QCOMPARE(prompts_.asked.size(), 1);

        std::filesystem::remove(dir_->file("Readme.txt"));
        std::filesystem::create_directory(dir_->file("Readme.txt"));
        QVERIFY(!runReadme(*w).opened);
        QCOMPARE(prompts_.texts(MessageKind::Error).size(), 1);
        QVERIFY2(lastMessage().contains(path("Readme.txt")), qPrintable(lastMessage()));
    }

    void readmeLinesAreShownDecodedInAReadOnlyWindow()
    {
        // Windows-1251 with every kind of line end; the last line has none.
        writeFile("Readme.txt", zarnik::Utf8ToCp1251("Справка — «Зарник» №1\r\n\r\nёлка\nЁЖ\rlast"));
        auto w = start();
        w->resize(700, 600);
        const Shown shown = runReadme(*w);
        QCOMPARE(shown.text, QStringLiteral("Справка — «Зарник» №1\n\nёлка\nЁЖ\nlast"));
        QVERIFY(shown.readOnly);
        QVERIFY(shown.escCloses);
        QCOMPARE(shown.geometry.size(), QSize(500, 400));
        QVERIFY((shown.geometry.center() - w->geometry().center()).manhattanLength() <= 2);

        // A line end after the last line opens no empty line; the window follows the
        // main window's present size.
        writeFile("Readme.txt", "one\r\ntwo\r\n");
        w->resize(600, 500);
        const Shown again = runReadme(*w);
        QCOMPARE(again.text, QStringLiteral("one\ntwo"));
        QCOMPARE(again.geometry.size(), QSize(400, 300));
        QVERIFY(prompts_.asked.isEmpty());
    }

    void aboutBoxOpensByF1WithoutADocument()
    {
        auto w = start();
        QVERIFY(QTest::qWaitForWindowActive(w.get()));
        QTest::keyClick(w.get(), Qt::Key_F1);
        QCOMPARE(prompts_.asked.size(), 1);
        QCOMPARE(prompts_.asked[0].kind, MessageKind::Information);
        QVERIFY(lastMessage().startsWith(QStringLiteral("Zarnik 1.0\n")));
    }

    void infoShowsTheFiguresOfTheFileAsLastWritten()
    {
        // Declared sizes that a save recomputes: a key-table remainder, a shared string
        // and a data size that does not match the data.
        const QString file = writeFile("texts.gxt", GxtBuilder('R')
                                                        .add("one", "first")
                                                        .add("two", "second text")
                                                        .addShared("three", 1)
                                                        .keyTablePadding(std::string(5, '\0'))
                                                        .dataSize(777)
                                                        .build());
        auto w = start({file});
        const QString loaded = QStringLiteral("Язык: R\nКол-во строк: 3\nРазмер идов: 41\nРазмер строк: 777\nКодировка: нет кириллицы");
        trigger(*w, Command::Info);
        QCOMPARE(lastMessage(), loaded);

        // A text export and a failed save write no gxt file: the figures stay.
        prompts_.saveNames = {path("texts.txt")};
        trigger(*w, Command::SaveAs);
        std::filesystem::create_directories(dir_->file("texts.gxt_/keep"));
        trigger(*w, Command::Save);
        QCOMPARE(prompts_.texts(MessageKind::Error).size(), 1);
        trigger(*w, Command::Info);
        QCOMPARE(lastMessage(), loaded);

        std::filesystem::remove_all(dir_->file("texts.gxt_"));
        trigger(*w, Command::Save);
        trigger(*w, Command::Info);
        QCOMPARE(lastMessage(), QStringLiteral("Язык: R\nКол-во строк: 3\nРазмер идов: 36\nРазмер строк: 60\nКодировка: нет кириллицы"));
    }

    // The encoding line names the texts as they are now, recoded or not yet saved.
    void infoNamesTheEncodingOfTheTextsAsEdited()
    {
        const std::string sentence = "Угони машину и доставь её в гараж за мостом.";
        GxtBuilder b('R');
        for (int i = 0; i < 4; ++i)
            b.add("b" + std::to_string(i), "l!" + BukaText(sentence)).add("e" + std::to_string(i), "Mission");
        auto w = start({writeFile("ru.gxt", b.add("w", zarnik::Utf8ToCp1251(sentence)).build())});
        const auto encodingLine = [&] {
            trigger(*w, Command::Info);
            return lastMessage().section(QLatin1Char('\n'), 4);
        };
        QCOMPARE(encodingLine(), QStringLiteral("Кодировка: Бука"));
        trigger(*w, Command::RecodeAllBukaToPirate);  // all Buka texts to Pirate
        QCOMPARE(encodingLine(), QStringLiteral("Кодировка: Пиратка"));

        prompts_.openNames = {writeFile("plain.gxt", GxtBuilder('R').add("a", zarnik::Utf8ToCp1251(sentence)).build())};
        trigger(*w, Command::Open);
        QCOMPARE(encodingLine(), QStringLiteral("Кодировка: Windows-1251"));

        prompts_.openNames = {writeFile("both.gxt", GxtBuilder('R')
                                                         .add("a", BukaText(sentence))
                                                         .add("b", PirateText("ЗАДАНИЕ ВЫПОЛНЕНО, ДЕНЬГИ НА СЧЕТУ"))
                                                         .build())};
        trigger(*w, Command::Open);
        QCOMPARE(encodingLine(), QStringLiteral("Кодировка: смешанная"));
    }

    void zeroLanguageByteKeepsEveryLine()
    {
        auto w = start({writeFile("zero.gxt", GxtBuilder('\0').add("a", "xy").build())});
        trigger(*w, Command::Info);
        QCOMPARE(lastMessage(), QStringLiteral("Язык: \nКол-во строк: 1\nРазмер идов: 12\nРазмер строк: 6\nКодировка: нет кириллицы"));

        // A language byte above 0x7F is a Windows-1251 letter.
        prompts_.openNames = {writeFile("ru.gxt", GxtBuilder('\xD0').add("a", "xy").build())};
        trigger(*w, Command::Open);
        trigger(*w, Command::Info);
        QVERIFY(lastMessage().startsWith(QStringLiteral("Язык: Р\n")));
    }

    void exportInPirateModeUsesTheBukaTableAndAFailedExportIsReported()
    {
        const std::string original = GxtBuilder('R')
                                         .add("pir1", "\x8F\x90\x88\x82\x85\x92")  // Pirate ПРИВЕТ
                                         .add("BUKA", "\xC1\xD0\xC0")              // Buka АБВ
                                         .build();
        const QString file = writeFile("texts.gxt", original);
        auto w = start({file});
        trigger(*w, Command::ModePirate);
        makeUnsaved(*w);
        prompts_.saveNames = {path("export.txt"), path("taken.txt")};
        trigger(*w, Command::SaveAs);
        QCOMPARE(ReadFileBytes(dir_->file("export.txt")),
                 std::string("pir1=\x8F\x90\x88\x82\x85\x92\r\n \r\n=\xC0\xC1\xC2\r\n \r\n"));
        QCOMPARE(w->windowTitle(), file + "*");
        QCOMPARE(w->languageMode(), 2);
        QCOMPARE(ReadFileBytes(file.toStdString()), original);

        // An export that cannot be put in place is reported and never called done.
        std::filesystem::create_directory(dir_->file("taken.txt"));
        w->SetStatus(2, QStringLiteral("before"));
        trigger(*w, Command::SaveAs);
        QCOMPARE(prompts_.texts(MessageKind::Error).size(), 1);
        QVERIFY2(lastMessage().contains(path("taken.txt")), qPrintable(lastMessage()));
        QCOMPARE(w->statusText(2), QStringLiteral("before"));
        QVERIFY(std::filesystem::is_directory(dir_->file("taken.txt")));
    }

    // The readme window shows Windows-1251 with CR LF line ends; a shipped file in UTF-8
    // would show as garbage.
    void shippedReadmeIsWindows1251WithCrLf()
    {
        const QString shipped = QFINDTESTDATA("../../resources/Readme.txt");
        QVERIFY2(!shipped.isEmpty(), "resources/Readme.txt is missing");
        const std::string bytes = ReadFileBytes(shipped.toStdString());
        QVERIFY(bytes.find(zarnik::Utf8ToCp1251("Пиратка")) != std::string::npos);
        QVERIFY(bytes.find("Пиратка") == std::string::npos);
        for (size_t i = 0; i < bytes.size(); ++i)
            QVERIFY2((bytes[i] == '\n') == (i > 0 && bytes[i - 1] == '\r'), "a line end other than CR LF");
    }
};

QTEST_MAIN(HelpTest)
#include "tst_help.moc"
