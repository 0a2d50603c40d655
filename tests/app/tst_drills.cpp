// SPDX-License-Identifier: GPL-3.0-or-later
// Failure drills: the things that go wrong on a real disk while a document is open. Each
// must end with a clear message, the user's bytes intact, and flags that tell the truth.
#include "entrylistmodel.h"
#include "gxtbuilder.h"
#include "windowtest.h"

#include <QAction>
#include <QtTest>

#include <csignal>
#include <cstring>
#include <fstream>
#include <malloc.h>
#include <filesystem>
#include <sys/mount.h>
#include <sys/resource.h>
#include <unistd.h>

using namespace zarnik::testing;
namespace fs = std::filesystem;

namespace {

// A small tmpfs of our own, to fill up or to make read-only. Needs root; the drills that
// use it are skipped elsewhere.
class SmallDisk {
public:
    explicit SmallDisk(const std::string& dir, const char* size)
        : dir_(dir)
    {
        fs::create_directories(dir_);
        const std::string options = std::string("size=") + size;
        mounted_ = ::geteuid() == 0 && ::mount("tmpfs", dir_.c_str(), "tmpfs", 0, options.c_str()) == 0;
    }
    ~SmallDisk()
    {
        if (mounted_)
            ::umount2(dir_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    bool makeReadOnly()
    {
        return ::mount(nullptr, dir_.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr) == 0;
    }

private:
    std::string dir_;
    bool mounted_ = false;
};

long statusBytes(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0)
            return std::stol(line.substr(std::strlen(field))) * 1024L;
    return -1;
}

// Starts a new peak of this process's resident memory from what it holds now.
bool resetPeakMemory()
{
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return out.good();
}

std::string bigDocument(size_t entries)
{
    GxtBuilder b('E');
    for (size_t i = 0; i < entries; ++i)
        b.add("k" + std::to_string(i), std::string(200, 'a' + i % 26));
    return b.build();
}

}  // namespace

class DrillsTest : public WindowTest {
    Q_OBJECT

    std::unique_ptr<MainWindow> open(const std::string& file)
    {
        return startWindow({QString::fromStdString(file)});
    }
    // The state after a failed save: an error was shown and nothing claims success.
    void expectFailedSave(MainWindow& w, const QString& caption)
    {
        QCOMPARE(prompts_.texts(MessageKind::Error).size(), 1);
        QVERIFY(w.isModified());
        QCOMPARE(w.windowTitle(), caption + "*");
        QVERIFY(w.statusText(2) != QStringLiteral("Файл сохранён"));
    }

private slots:
    void init()
    {
        freshFolder();
    }
    void cleanup() { dir_.reset(); }

    void folderRemovedUnderAnOpenDocument()
    {
        const std::string folder = dir_->file("mod");
        fs::create_directories(folder);
        const std::string file = folder + "/texts.gxt";
        WriteFileBytes(file, GxtBuilder().add("a", "text").build());
        auto w = open(file);
        makeUnsaved(*w);
        fs::remove_all(folder);
        trigger(*w, Command::Save);
        expectFailedSave(*w, QString::fromStdString(file));
        QVERIFY(prompts_.texts(MessageKind::Error).first().contains(QStringLiteral("texts.gxt")));
    }

    void fileReplacedByAFolder()
    {
        const std::string file = dir_->file("texts.gxt");
        WriteFileBytes(file, GxtBuilder().add("a", "text").build());
        auto w = open(file);
        makeUnsaved(*w);
        fs::remove(file);
        fs::create_directories(file + "/inside");
        trigger(*w, Command::Save);
        expectFailedSave(*w, QString::fromStdString(file));
        QVERIFY(fs::is_directory(file + "/inside"));
        QVERIFY(!FileExists(file + "_"));
    }

    void fileVanishedBetweenOpenAndSave()
    {
        const std::string file = dir_->file("texts.gxt");
        WriteFileBytes(file, GxtBuilder().add("a", "text").build());
        auto w = open(file);
        makeUnsaved(*w);
        fs::remove(file);
        trigger(*w, Command::Save);
        QVERIFY(prompts_.asked.isEmpty());
        QCOMPARE(w->statusText(2), QStringLiteral("Файл сохранён"));
        QVERIFY(!w->isModified());
        QCOMPARE(LoadFileForCheck(file), std::string("text"));
        QVERIFY(!FileExists(file + "_"));
    }

    void fileSizeLimit()
    {
        // RLIMIT_FSIZE stands in for a full disk where no small file system can be made.
        const std::string file = dir_->file("texts.gxt");
        const std::string original = GxtBuilder().add("a", "short").build();
        WriteFileBytes(file, original);
        auto w = open(file);
        makeUnsaved(*w);
        // Grow the document far past the limit through a second file opened over it.
        const std::string big = dir_->file("big.gxt");
        WriteFileBytes(big, bigDocument(200));
        prompts_.openNames = {QString::fromStdString(big)};
        trigger(*w, Command::Open);
        prompts_.asked.clear();

        std::signal(SIGXFSZ, SIG_IGN);  // as the editor's own start-up does
        struct rlimit old {};
        ::getrlimit(RLIMIT_FSIZE, &old);
        struct rlimit limited = old;
        limited.rlim_cur = 16 * 1024;
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &limited), 0);
        makeUnsaved(*w);
        prompts_.saveNames = {QString::fromStdString(file)};
        trigger(*w, Command::SaveAs);  // save as, over the small file
        prompts_.saveNames = {QString::fromStdString(dir_->file("all.txt"))};
        trigger(*w, Command::SaveAs);  // and an export
        ::setrlimit(RLIMIT_FSIZE, &old);

        const QStringList errors = prompts_.texts(MessageKind::Error);
        QCOMPARE(errors.size(), 2);
        QVERIFY(errors[0].contains(QStringLiteral("texts.gxt")));
        QVERIFY(errors[1].contains(QStringLiteral("all.txt")));
        QCOMPARE(ReadFileBytes(file), original);
        QVERIFY(!FileExists(dir_->file("all.txt")));
        QVERIFY(w->isModified());
        QCOMPARE(fs::directory_iterator(dir_->path()) == fs::directory_iterator(), false);
        for (const auto& e : fs::directory_iterator(dir_->path()))
            QVERIFY2(!e.path().filename().string().starts_with("."), "temporary file left");
    }

    void fullDisk()
    {
        SmallDisk disk(dir_->file("disk"), "64k");
        if (!disk.mounted())
            QSKIP("needs root to mount a small file system");
        const std::string file = dir_->file("disk/texts.gxt");
        const std::string original = bigDocument(20);  // about 8 KB
        WriteFileBytes(file, original);
        WriteFileBytes(dir_->file("disk/texts.txt"), "old export");
        auto w = open(file);
        // Fill the disk with the open document's own growth: replace it with a bigger one.
        const std::string big = dir_->file("big.gxt");
        WriteFileBytes(big, bigDocument(400));  // 170 KB, its export 85 KB: neither fits
        prompts_.openNames = {QString::fromStdString(big)};
        trigger(*w, Command::Open);
        makeUnsaved(*w);
        prompts_.saveNames = {QString::fromStdString(file), QString::fromStdString(dir_->file("disk/texts.txt"))};
        trigger(*w, Command::SaveAs);
        trigger(*w, Command::SaveAs);
        QCOMPARE(prompts_.texts(MessageKind::Error).size(), 2);
        QVERIFY(prompts_.texts(MessageKind::Error).first().contains(QStringLiteral("нет места")));
        QCOMPARE(ReadFileBytes(file), original);
        QCOMPARE(ReadFileBytes(dir_->file("disk/texts.txt")), std::string("old export"));
        QVERIFY(w->statusText(2) != QStringLiteral("Файл сохранён как текст"));
    }

    // Files built to make a loader hold far more than they weigh: one string under every
    // key, and keys scattered over the strings in no order. Open in the editor, they take
    // no more than four times their size.
    void hostileFilesStayWithinFourTimesTheirSize()
    {
        std::vector<std::pair<std::string, size_t>> files;
        {
            const std::string shared =
                GxtImageOnOffsets(std::vector<uint32_t>(833333, 0), EncodeUnits(std::string(192, 'a')));
            WriteFileBytes(dir_->file("shared.gxt"), shared);
            files.emplace_back(dir_->file("shared.gxt"), shared.size());
            std::string data;
            for (int s = 0; s < 20000; ++s)
                data += EncodeUnits(std::string(20 + s % 80, 'e'));
            std::vector<uint32_t> scattered(500000);
            uint32_t x = 12345;
            for (uint32_t& o : scattered) {
                x = x * 1103515245u + 12345u;
                o = (x >> 8) % static_cast<uint32_t>(data.size());
            }
            const std::string image = GxtImageOnOffsets(scattered, data);
            WriteFileBytes(dir_->file("scattered.gxt"), image);
            files.emplace_back(dir_->file("scattered.gxt"), image.size());
        }
        WriteFileBytes(dir_->file("small.gxt"), GxtBuilder().add("a", "text").build());
        for (const auto& [file, size] : files) {
            // The window's own first paint is not the file's doing.
            auto w = open(dir_->file("small.gxt"));
            QApplication::processEvents();
            ::malloc_trim(0);
            if (!resetPeakMemory())
                QSKIP("the peak of resident memory cannot be reset here");
            const long before = statusBytes("VmRSS:");
            w->openDocument(QString::fromStdString(file));
            QApplication::processEvents();
            QCOMPARE(w->document().Count(), static_cast<uint32_t>((size > 10000000) ? 833333 : 500000));
            const long peak = statusBytes("VmHWM:");
            QVERIFY2(peak - before <= static_cast<long>(4 * size),
                     qPrintable(QStringLiteral("%1: %2 bytes, peak %3 over %4")
                                    .arg(QString::fromStdString(file)).arg(size).arg(peak).arg(before)));
        }
    }

    void readOnlyFolder()
    {
        SmallDisk disk(dir_->file("ro"), "1m");
        if (!disk.mounted())
            QSKIP("needs root to mount a small file system");
        const std::string file = dir_->file("ro/texts.gxt");
        const std::string original = GxtBuilder().add("a", "text").build();
        WriteFileBytes(file, original);
        auto w = open(file);
        QVERIFY(disk.makeReadOnly());
        makeUnsaved(*w);
        trigger(*w, Command::Save);
        expectFailedSave(*w, QString::fromStdString(file));
        QVERIFY(prompts_.texts(MessageKind::Error).first().contains(QStringLiteral("только для чтения")));
        prompts_.saveNames = {QString::fromStdString(dir_->file("ro/texts.txt"))};
        trigger(*w, Command::SaveAs);
        QCOMPARE(prompts_.texts(MessageKind::Error).size(), 2);
        QCOMPARE(ReadFileBytes(file), original);
    }

private:
    static std::string LoadFileForCheck(const std::string& file)
    {
        return std::string(zarnik::LoadGxtFile(file).text(0));
    }
};

QTEST_MAIN(DrillsTest)
#include "tst_drills.moc"
