// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/editsession.h"
#include "faultyfs.h"
#include "files/fileerror.h"
#include "gxtbuilder.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace zarnik;
using namespace zarnik::testing;

namespace {

// Everything the session announced, in order, as short words.
struct Recorder : EditSession::Listener {
    std::vector<std::string> heard;
    EditSession* session = nullptr;
    std::vector<std::string> textsWhenTold;  // what a listener could read at that moment

    void entryChanged(size_t i) override
    {
        heard.push_back("entry " + std::to_string(i));
        textsWhenTold.emplace_back(session->text(i));
    }
    void allEntriesChanged() override { heard.push_back("all"); }
    void modifiedChanged(bool m) override { heard.push_back(m ? "modified" : "unmodified"); }
    void historyChanged() override
    {
        heard.push_back(std::string("history ") + (session->canUndo() ? "U" : "-") +
                        (session->canRedo() ? "R" : "-"));
    }
    std::vector<std::string> take() { return std::exchange(heard, {}); }
};

// Five entries: Latin texts, a Buka, a Pirate and an empty one.
GxtDocument fiveEntries()
{
    return ParseGxt(GxtBuilder('R')
                        .add("a", "alpha")
                        .add("b", "beta")
                        .add("buka", BukaText("Бука"))
                        .add("pirate", PirateText("ПИРАТ"))
                        .add("empty", "")
                        .build(),
                    "five.gxt");
}

class EditSessionTest : public ::testing::Test {
protected:
    EditSession s;
    Recorder r;
    std::vector<Text> loaded;

    void SetUp() override
    {
        r.session = &s;
        s.addListener(&r);
        s.load(fiveEntries());
        loaded = s.document().loadedTexts();
        r.take();
    }
    std::vector<Text> texts() const { return s.document().currentTexts(); }
};

}  // namespace

TEST_F(EditSessionTest, LoadingStartsCleanAndAnnouncesTheNewDocument)
{
    EditSession fresh;
    EXPECT_FALSE(fresh.isLoaded());
    EXPECT_EQ(fresh.count(), 0u);

    s.setText(0, "changed");
    r.take();
    s.load(fiveEntries());
    EXPECT_EQ(r.take(), (std::vector<std::string>{"history --", "unmodified", "all"}));
    EXPECT_TRUE(s.isLoaded());
    EXPECT_EQ(s.text(0), "alpha");
    EXPECT_EQ(s.history().size(), 0u);
}

TEST_F(EditSessionTest, SingleEntryChangesRecordAndMarkModified)
{
    EXPECT_TRUE(s.setText(1, "new"));
    EXPECT_EQ(r.take(), (std::vector<std::string>{"history U-", "entry 1", "modified"}));
    EXPECT_EQ(r.textsWhenTold.back(), "new");

    // The same text again still counts as a change.
    EXPECT_TRUE(s.setText(1, "new"));
    EXPECT_EQ(r.take(), (std::vector<std::string>{"entry 1"}));
    EXPECT_EQ(s.history().size(), 2u);

    EXPECT_TRUE(s.clearText(0));
    EXPECT_EQ(s.text(0), "");
    EXPECT_TRUE(s.restoreText(0));
    EXPECT_EQ(s.text(0), "alpha");
    EXPECT_TRUE(s.restoreText(0));  // already as loaded: recorded all the same
    EXPECT_EQ(s.history().size(), 5u);

    EXPECT_TRUE(s.recodeText(3, RecodeDirection::PirateToBuka));
    EXPECT_EQ(s.text(3), BukaText("ПИРАТ"));
    EXPECT_TRUE(s.recodeText(2, RecodeDirection::BukaToPirate));
    EXPECT_EQ(s.text(2), PirateText("БУКА"));
    EXPECT_EQ(s.history().size(), 7u);
    EXPECT_EQ(s.document().loadedTexts(), loaded);
}

TEST_F(EditSessionTest, ChangesThatChangeNothingAreNeitherRecordedNorMarked)
{
    EXPECT_FALSE(s.clearText(4));                                   // already empty
    EXPECT_FALSE(s.recodeText(0, RecodeDirection::PirateToBuka));   // no Pirate bytes
    EXPECT_FALSE(s.recodeText(0, RecodeDirection::BukaToPirate));   // no Buka bytes
    // Entries that do not exist: no entry is read or written.
    EXPECT_FALSE(s.setText(5, "x"));
    EXPECT_FALSE(s.clearText(99));
    EXPECT_FALSE(s.restoreText(size_t(-1)));
    EXPECT_FALSE(s.recodeText(5, RecodeDirection::BukaToPirate));
    EXPECT_FALSE(s.undo());
    EXPECT_FALSE(s.redo());
    EXPECT_TRUE(r.take().empty());
    EXPECT_FALSE(s.isModified());
    EXPECT_EQ(texts(), loaded);

    EditSession empty;
    empty.load(ParseGxt(GxtBuilder('R').build(), "empty.gxt"));
    EXPECT_FALSE(empty.setText(0, "x"));
    EXPECT_FALSE(empty.isModified());
}

TEST_F(EditSessionTest, UndoAndRedoSwapTheRecordedTexts)
{
    s.setText(0, "zero");
    s.setText(1, "one");
    r.take();

    EXPECT_EQ(s.undo(), std::optional<size_t>(1));
    EXPECT_EQ(r.take(), (std::vector<std::string>{"history UR", "entry 1"}));
    EXPECT_EQ(r.textsWhenTold.back(), "beta");
    EXPECT_EQ(s.undo(), std::optional<size_t>(0));
    EXPECT_EQ(r.take(), (std::vector<std::string>{"history -R", "entry 0"}));
    EXPECT_EQ(texts(), loaded);
    EXPECT_FALSE(s.undo());

    EXPECT_EQ(s.redo(), std::optional<size_t>(0));
    EXPECT_EQ(s.text(0), "zero");
    EXPECT_EQ(s.text(1), "beta");
    EXPECT_EQ(s.redo(), std::optional<size_t>(1));
    EXPECT_EQ(s.text(1), "one");
    EXPECT_FALSE(s.canRedo());
    EXPECT_FALSE(s.redo());
}

TEST_F(EditSessionTest, ANewChangeDropsWhatCouldBeRedone)
{
    s.setText(0, "zero");
    s.setText(1, "one");
    s.undo();
    r.take();
    s.setText(2, "two");
    EXPECT_EQ(r.take(), (std::vector<std::string>{"history U-", "entry 2"}));
    EXPECT_EQ(s.history().size(), 2u);
    EXPECT_FALSE(s.redo());
    s.undo();
    s.undo();
    EXPECT_EQ(texts(), loaded);  // entry 1's change is gone for good
}

TEST_F(EditSessionTest, SavingUnmarksButUndoAlwaysMarksAgain)
{
    TempDir dir;
    const std::string path = dir.file("saved.gxt");
    s.setText(0, "zero");
    r.take();
    s.save(path);
    EXPECT_FALSE(s.isModified());
    EXPECT_EQ(r.take(), (std::vector<std::string>{"unmodified"}));
    EXPECT_EQ(Text(ParseGxt(ReadWholeFile(path), path).text(0)), "zero");
    EXPECT_TRUE(s.canUndo()) << "saving keeps the history";

    // Undo then redo comes back to the saved texts, still counted as a change.
    s.undo();
    s.redo();
    EXPECT_TRUE(s.isModified());

    // A failed save leaves the document modified and the file as it was.
    FaultyFileSystem fs;
    fs.failStep = FileStep::Write;
    s.setText(1, "unsaved");
    EXPECT_THROW(s.save(path, fs), FileError);
    EXPECT_TRUE(s.isModified());
    EXPECT_EQ(Text(ParseGxt(ReadWholeFile(path), path).text(1)), "beta");
}

TEST_F(EditSessionTest, WholeDocumentChangesEmptyTheHistoryAndMark)
{
    TempDir dir;
    s.setText(0, "zero");
    s.save(dir.file("x.gxt"));
    r.take();

    s.restoreAll();
    EXPECT_EQ(r.take(), (std::vector<std::string>{"history --", "all", "modified"}));
    EXPECT_EQ(texts(), loaded);
    EXPECT_FALSE(s.undo());

    s.recodeAll(RecodeDirection::BukaToPirate);
    EXPECT_EQ(s.text(2), PirateText("БУКА"));
    EXPECT_EQ(s.text(3), PirateText("ПИРАТ"));
    s.recodeAll(RecodeDirection::PirateToBuka);
    EXPECT_EQ(s.text(2), BukaText("БУКА"));
    EXPECT_EQ(s.text(3), BukaText("ПИРАТ"));
    EXPECT_EQ(s.text(0), "alpha");
    // Even one that finds nothing to recode counts as a change of the document.
    s.save(dir.file("x.gxt"));
    s.recodeAll(RecodeDirection::PirateToBuka);
    EXPECT_TRUE(s.isModified());

}

// An imported translation is one change: one undo puts back every text it changed, and
// redo makes it again; the single edit before it stays a record of its own.
TEST_F(EditSessionTest, ManyTextsAtOnceAreOneHistoryRecord)
{
    s.setText(1, "one");
    r.take();
    s.setTexts({{0, "first"}, {4, "last"}, {7, "nowhere"}});
    EXPECT_EQ(r.take(), (std::vector<std::string>{"all"}));
    EXPECT_EQ(s.text(0), "first");
    EXPECT_EQ(s.text(4), "last");
    EXPECT_EQ(s.text(1), "one");
    EXPECT_EQ(s.history().size(), 2u);
    EXPECT_EQ(s.undo(), 0u);
    EXPECT_EQ(r.take(), (std::vector<std::string>{"history UR", "all"}));
    EXPECT_EQ(texts(), (std::vector<std::string>{loaded[0], "one", loaded[2], loaded[3], loaded[4]}));
    EXPECT_EQ(s.redo(), 0u);
    EXPECT_EQ(s.text(0), "first");
    EXPECT_EQ(s.text(4), "last");
}

TEST_F(EditSessionTest, TheHistoryKeepsTheFirstThousandChanges)
{
    for (int i = 1; i <= 1001; ++i)
        s.setText(0, std::to_string(i));
    EXPECT_EQ(s.history().size(), UndoHistory::kLimit);
    for (size_t i = 0; i < UndoHistory::kLimit; ++i)
        ASSERT_TRUE(s.undo());
    EXPECT_FALSE(s.undo());
    EXPECT_EQ(s.text(0), "alpha");
    for (size_t i = 0; i < UndoHistory::kLimit; ++i)
        ASSERT_TRUE(s.redo());
    EXPECT_EQ(s.text(0), "1001");
    s.undo();
    EXPECT_EQ(s.text(0), "999") << "the 1001st change was not recorded";

    // A full history is left as it is by a new change, its redo part included.
    s.setText(1, "x");
    EXPECT_EQ(s.text(1), "x");
    EXPECT_EQ(s.history().size(), UndoHistory::kLimit);
    EXPECT_TRUE(s.canRedo());
    EXPECT_EQ(s.redo(), std::optional<size_t>(0));
}

TEST_F(EditSessionTest, AFailedLoadLeavesEverythingAsItWas)
{
    s.setText(0, "zero");
    r.take();
    TempDir dir;
    EXPECT_THROW(s.load(dir.file("missing.gxt")), FileError);
    WriteFileBytes(dir.file("short.gxt"), "GBL");
    EXPECT_THROW(s.load(dir.file("short.gxt")), FileError);
    EXPECT_TRUE(r.take().empty());
    EXPECT_EQ(s.text(0), "zero");
    EXPECT_TRUE(s.isModified());
    EXPECT_TRUE(s.canUndo());
}

TEST_F(EditSessionTest, AListenerMayLeaveWhileBeingTold)
{
    struct Leaver : EditSession::Listener {
        EditSession* s = nullptr;
        int told = 0;
        void entryChanged(size_t) override { ++told; s->removeListener(this); }
    } leaver;
    leaver.s = &s;
    s.addListener(&leaver);
    s.setText(0, "a");
    s.setText(0, "b");
    EXPECT_EQ(leaver.told, 1);
    EXPECT_EQ(r.take(), (std::vector<std::string>{"history U-", "entry 0", "modified", "entry 0"}));
}
