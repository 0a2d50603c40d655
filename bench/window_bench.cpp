// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's own figures, offscreen: opening large files, switching the language mode,
// searching, and the memory a large open file takes.
#include "figures.h"
#include "generator.h"

#include "entrylistview.h"
#include "format/gxtdocument.h"
#include "mainwindow.h"
#include "prompts.h"
#include "searchpanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QThread>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <fstream>
#include <limits>
#include <vector>

#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

// Never blocks: every question is answered OK, every dialog is cancelled.
class SilentPrompts : public Prompts {
public:
    bool message(QWidget*, MessageKind, const QString&, const QString&) override { return true; }
    QString openFileName(QWidget*, const QString&, const QString&) override { return {}; }
    QString saveFileName(QWidget*, const QString&) override { return {}; }
    QString translationFileName(QWidget*, const QString&, bool) override { return {}; }
    std::optional<FontChoice> chooseFont(QWidget*, const FontChoice&) override { return {}; }
    int execDialog(QDialog*) override { return 0; }
};

void writeFile(const QString& path, const std::string& bytes)
{
    {
        std::ofstream out(path.toStdString(), std::ios::binary);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
#ifndef _WIN32
    // Written to disk before anything is timed: the kernel writing back hundreds of
    // megabytes would otherwise share the machine with the first measurements.
    ::sync();
#endif
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

long statusKb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::string(field).size()));
    return -1;
}

// Milliseconds to open `path` in a fresh editor (load, refill, fit the text column, select
// and show the first row) and, given a `source`, to open it beside: both together, and of
// that the source alone (load, detect, match, weigh, fill and fit its column). The editor
// has a folder of its own, so that it starts empty instead of reopening the last file.
// A `remembered` source is the one the settings keep for `path`: it opens with the file,
// as at a translator's every start, instead of being opened after it.
std::pair<double, double> timeOpenWithSource(const QString& path, const QString& source, bool remembered = false)
{
    SilentPrompts prompts;
    QTemporaryDir programDir;
    if (remembered)
        writeFile(programDir.filePath(QStringLiteral("Settings.ini")),
                  "[Source]\r\nFile=" + source.toStdString() + "\r\nForFile=" + path.toStdString() + "\r\n");
    MainWindow window(prompts, ProgramDirectory(programDir.path()), {});
    window.show();
    QApplication::processEvents();
    QElapsedTimer timer;
    timer.start();
    window.openDocument(path);
    QApplication::processEvents();  // the first paint of the filled list
    const double document = timer.nsecsElapsed() / 1e6;
    if (remembered && window.sourcePath() != source)
        return {std::numeric_limits<double>::infinity(), 0};  // not opened with it: a missed figure
    if (source.isEmpty() || remembered)
        return {document, 0};
    window.openSource(source);
    QApplication::processEvents();
    const double both = timer.nsecsElapsed() / 1e6;
    return {both, both - document};
}

double timeOpen(const QString& path) { return timeOpenWithSource(path, {}).first; }

// The English file a translation of `path` was made from: the same keys, Latin texts of
// the same lengths, so a file of the same size.
std::string englishSourceOf(const QString& path)
{
    zarnik::GxtDocument doc = zarnik::LoadGxtFile(path.toStdString());
    std::vector<zarnik::Text> texts(doc.Count());
    const char* words[] = {"Steal the car", "and deliver it", "to the garage", "before the police",
                           "catch you. Mission", "complete! Bonus", "$5000 earned."};
    for (size_t i = 0; i < texts.size(); ++i) {
        for (size_t w = 0; texts[i].size() < doc.text(i).size(); ++w)
            texts[i] += std::string(w ? " " : "") + words[(i + w) % std::size(words)];
        texts[i].resize(doc.text(i).size());
    }
    doc.setLoadedTexts(texts);
    return zarnik::BuildGxtImage(doc);
}

int memoryMode(const QString& path, const QString& programDir)
{
    SilentPrompts prompts;
    MainWindow window(prompts, ProgramDirectory(programDir), {});
    window.show();
    QApplication::processEvents();
    const long before = statusKb("VmRSS:");
    window.openDocument(path);
    QApplication::processEvents();
    const long peak = statusKb("VmHWM:");
    std::printf("%ld %ld\n", before, peak);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString programDir = dir.path();
    if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QLatin1String("--memory"))
        return memoryMode(QString::fromLocal8Bit(argv[2]), programDir);

    zarnik::bench::Figures figures;

    {
        // One entry whose text is 10,000,000 characters: 5,000,000 units of two letters each.
        std::string longText;
        longText.reserve(10'000'000);
        for (int i = 0; i < 5'000'000; ++i)
            longText += "ab";
        const QString fileLong = dir.filePath(QStringLiteral("long.gxt"));
        std::string bytes = std::string("GBLE\x64\0TKEY\x0c\0\0\0", 14) + std::string(4, '\0') +
                            std::string("long\0\0\0\0", 8) + "TDAT" + std::string(4, '\0');
        const uint32_t dataSize = static_cast<uint32_t>(longText.size() + 2);
        for (int b = 0; b < 4; ++b)
            bytes[30 + b] = static_cast<char>((dataSize >> (8 * b)) & 0xFF);
        bytes += longText;
        bytes += std::string(2, '\0');
        writeFile(fileLong, bytes);
        std::vector<double> openLong;
        for (int i = 0; i < 3; ++i)
            openLong.push_back(timeOpen(fileLong));
        figures.atMost("open one text of 10,000,000 characters (10 MB)", {median(openLong)}, 1000, " ms");
    }

    const QString file100k = dir.filePath(QStringLiteral("100k.gxt"));
    const QString file1m = dir.filePath(QStringLiteral("1m.gxt"));
    writeFile(file100k, zarnik::bench::GenerateGxt(100000));
    writeFile(file1m, zarnik::bench::GenerateGxt(1000000));

    std::vector<double> open100k, open1m;
    for (int i = 0; i < 5; ++i)
        open100k.push_back(timeOpen(file100k));
    // The load alone, in the core, of the same file: what opening adds on top of it is the
    // editor's own work. Taken in turns with the opens, so that both meet memory in the
    // same state: a load right after others had freed their memory took a third of the
    // time of one in a process that had not.
    std::vector<double> load1m;
    for (int i = 0; i < 3; ++i) {
        open1m.push_back(timeOpen(file1m));
        QElapsedTimer timer;
        timer.start();
        const zarnik::GxtDocument doc = zarnik::LoadGxtFile(file1m.toStdString());
        load1m.push_back(timer.nsecsElapsed() / 1e6 + (doc.Count() ? 0 : 1));
    }
    figures.atMost("open in the editor (median), 100k entries", {median(open100k)}, 150, " ms");
    figures.atMost("open in the editor (median), 1M entries", {median(open1m)}, 1000, " ms");
    figures.atMost("open / load in the core alone, 1M entries", {median(open1m) / median(load1m)}, 2, "×");
    {
        // A translator's start: the file and its English source beside it.
        const QString source1m = dir.filePath(QStringLiteral("1m-english.gxt"));
        writeFile(source1m, englishSourceOf(file1m));
        // Each with a source right after one without, so that both meet the machine in the
        // same state; the ratio is the median of the pairs'.
        std::vector<double> ratios, afterwards, sourceAlone;
        for (int i = 0; i < 5; ++i) {
            const double without = timeOpen(file1m);
            const auto [both, source] = timeOpenWithSource(file1m, source1m);
            const double together = timeOpenWithSource(file1m, source1m, true).first;
            ratios.push_back(together / without);
            afterwards.push_back(both / without);
            sourceAlone.push_back(source);
        }
        figures.atMost("open a source beside the open file (median), 1M entries", {median(sourceAlone)}, 1000,
                       " ms");
        figures.atMost("open with its source / open without (median of 5 sets), 1M entries", {median(ratios)}, 2,
                       "×");
        figures.note("open, then open a source beside / open without (median of 5 sets), 1M entries",
                     {median(afterwards)}, "×");
    }
    // Ten times the entries should cost about ten times as much; but on this machine even
    // reading ten times the bytes into memory costs far more than ten times as much once
    // the file no longer fits the caches. So the growth is weighed against the growth of a
    // plain read of the same two files, measured here too.
    auto readTime = [](const QString& path) {
        std::vector<double> times;
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer timer;
            timer.start();
            QFile f(path);
            f.open(QIODevice::ReadOnly);
            const QByteArray all = f.readAll();
            times.push_back(timer.nsecsElapsed() / 1e6 + (all.isEmpty() ? 1 : 0));
        }
        return median(times);
    };
    const double openGrowth = median(open1m) / median(open100k);
    const double readGrowth = readTime(file1m) / readTime(file100k);
    figures.note("open, growth 100k → 1M entries · plain read of the same files", {openGrowth, readGrowth},
                 "×");
    figures.atMost("open, growth over linear beyond a plain read's",
                   {(openGrowth / 10) / std::max(1.0, readGrowth / 10)}, 1.5, "×");

    {
        SilentPrompts prompts;
        MainWindow window(prompts, ProgramDirectory(programDir), {});
        window.show();
        window.openDocument(file100k);
        QApplication::processEvents();
        std::vector<double> switches;
        const int modes[] = {2, 3, 1, 3, 2, 3};
        for (int mode : modes) {
            QElapsedTimer timer;
            timer.start();
            window.SelectMode(mode);
            QApplication::processEvents();
            switches.push_back(timer.nsecsElapsed() / 1e6);
        }
        figures.atMost("switching the language mode (median), 100k entries", {median(switches)}, 150, " ms");

        // A case-blind search in Buka mode that finds nothing, from the first entry down.
        window.SelectMode(3);
        window.ShowSearchPanel();
        window.searchPanel()->matchCaseBox()->setChecked(false);
        window.searchPanel()->queryBox()->setEditText(QStringLiteral("ничего такого нет"));
        std::vector<double> misses;
        for (int i = 0; i < 7; ++i) {
            window.list()->selectRow(0);
            window.searchPanel()->setSearchesDown(true);
            QElapsedTimer timer;
            timer.start();
            window.FindNext();
            misses.push_back(timer.nsecsElapsed() / 1e6);
            // Let the caption blink that follows a miss run out before the next search.
            QElapsedTimer blink;
            blink.start();
            while (blink.elapsed() < 400) {
                QApplication::processEvents();
                QThread::msleep(5);
            }
        }
        figures.atMost("\"Найти далее\" finding nothing (median), 100k entries, case-blind, Buka", {median(misses)}, 20,
                       " ms");
    }

    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory"), file1m});
        child.waitForFinished(120000);
        const QStringList parts = QString::fromLatin1(child.readAllStandardOutput()).split(QLatin1Char(' '));
        const double fileMb = QFileInfo(file1m).size() / 1048576.0;
        if (parts.size() == 2) {
            const double extraMb = (parts[1].toDouble() - parts[0].toDouble()) / 1024.0;
            figures.note("file size · empty editor · peak with the file open, 1M entries",
                         {fileMb, parts[0].toDouble() / 1024.0, parts[1].toDouble() / 1024.0}, " MB");
            figures.atMost("peak memory with the file open, over the empty editor, 1M entries",
                           {extraMb / fileMb}, 1.5, " × file size");
        } else {
            figures.atMost("peak memory measurement failed", {-1}, 0, "");
        }
    }
    return figures.missed() ? 1 : 0;
}
