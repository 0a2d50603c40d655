// SPDX-License-Identifier: GPL-3.0-or-later
#include "edit/sourcetexts.h"
#include "gxtbuilder.h"
#include "text/cp1251.h"
#include "text/encodings.h"

#include <gtest/gtest.h>

#include <string>

using namespace zarnik;
using namespace zarnik::testing;
using namespace std::string_literals;

namespace {

// A Russian source in Buka: enough sentences for its encoding to be told.
GxtDocument bukaSource()
{
    return ParseGxt(GxtBuilder('R')
                        .add("same", BukaText("ЗАДАНИЕ ВЫПОЛНЕНО"))
                        .add("done", BukaText("Угнать машину и доставить ее в гараж"))
                        .add("empty", BukaText("Добро пожаловать в город"))
                        .add("both", "")
                        .add("k\0src"s, BukaText("Полиция ищет тебя, быстро езжай сюда"))
                        .add("rep", BukaText("Первый"))
                        .add("rep", BukaText("Второй"))
                        .add("extra", BukaText("Босс ждет тебя на складе"))
                        .build(),
                    "source.gxt");
}

// The file being translated, shown in Pirate.
GxtDocument pirateFile()
{
    return ParseGxt(GxtBuilder('R')
                        .add("same", PirateText("ЗАДАНИЕ ВЫПОЛНЕНО"))
                        .add("done", PirateText("ГОТОВО"))
                        .add("empty", "")
                        .add("both", "")
                        .add("k\0doc"s, "")
                        .add("rep", PirateText("ПЕРВЫЙ"))
                        .add("rep", PirateText("ВТОРОЙ"))
                        .add("rep", PirateText("ТРЕТИЙ"))
                        .add("own", "")
                        .build(),
                    "file.gxt");
}

std::string shown(std::string_view utf8)
{
    return Utf8ToCp1251(utf8);
}

// The Pirate file shown in its mode, with the Buka source beside it.
struct PirateWithBukaSource {
    EditSession session;
    SourceTexts source{session};
    PirateWithBukaSource()
    {
        session.load(pirateFile());
        source.setDocumentMode(kModePirate);
        source.open(bukaSource());
    }
};

TEST(SourceTexts, ShownInItsOwnEncodingAndWeighedAsShown)
{
    PirateWithBukaSource scene;
    auto& [session, source] = scene;
    EXPECT_EQ(source.mode(), kModeBuka);

    struct Row {
        const char* what;
        const char* sourceShown;  // nullptr: the source lacks the key
        bool untranslated;
    } rows[] = {
        {"the same letters in another encoding", "ЗАДАНИЕ ВЫПОЛНЕНО", true},
        {"translated", "Угнать машину и доставить ее в гараж", false},
        {"empty while the source is not", "Добро пожаловать в город", true},
        {"both empty: nothing to translate", "", false},
        {"matched by the name before the zero", "Полиция ищет тебя, быстро езжай сюда", true},
        {"first repeat: by occurrence, upper case is not the same text", "Первый", false},
        {"second repeat", "Второй", false},
        {"a third repeat the source lacks", nullptr, false},
        {"a key the source lacks", nullptr, false},
    };
    ASSERT_EQ(session.count(), std::size(rows));
    for (size_t i = 0; i < std::size(rows); ++i) {
        SCOPED_TRACE(rows[i].what);
        EXPECT_EQ(source.storedText(i).has_value(), rows[i].sourceShown != nullptr);
        EXPECT_EQ(source.displayText(i), shown(rows[i].sourceShown ? rows[i].sourceShown : ""));
        EXPECT_EQ(source.isUntranslated(i), rows[i].untranslated);
    }
    EXPECT_EQ(source.untranslatedCount(), 3u);
    EXPECT_EQ(source.missingInSource(), 2u);
    EXPECT_EQ(source.missingInDocument(), 1u);  // "extra"
}

// The figures follow every change the session makes, the mode the document is shown in,
// and the document itself when another one is loaded.
TEST(SourceTexts, FollowsTheSession)
{
    PirateWithBukaSource scene;
    auto& [session, source] = scene;
    const auto next = [&](std::ptrdiff_t from, bool down) {
        const auto n = source.nextUntranslated(from, down);
        return n ? static_cast<std::ptrdiff_t>(*n) : -9;
    };
    EXPECT_EQ(next(-1, true), 0);
    EXPECT_EQ(next(0, true), 2);
    EXPECT_EQ(next(4, true), -9);
    EXPECT_EQ(next(8, false), 4);
    EXPECT_EQ(next(0, false), -9);
    EXPECT_EQ(next(-1, false), -9);

    session.setText(2, PirateText("ДОБРО ПОЖАЛОВАТЬ"));
    EXPECT_EQ(source.untranslatedCount(), 2u);
    EXPECT_EQ(next(0, true), 4);
    session.undo();
    EXPECT_EQ(source.untranslatedCount(), 3u);
    session.clearText(1);  // an emptied translation is untranslated again
    EXPECT_EQ(source.untranslatedCount(), 4u);

    // Shown in Buka, the Pirate bytes no longer read as the source's letters.
    source.setDocumentMode(kModeBuka);
    EXPECT_FALSE(source.isUntranslated(0));
    EXPECT_EQ(source.untranslatedCount(), 3u);

    session.load(ParseGxt(GxtBuilder('R').add("extra", "").add("same", "x").build(), "other.gxt"));
    EXPECT_EQ(source.untranslatedCount(), 1u);
    EXPECT_EQ(source.displayText(0), shown("Босс ждет тебя на складе"));
    EXPECT_EQ(source.missingInSource(), 0u);
    EXPECT_EQ(source.missingInDocument(), 6u);

    source.close();
    EXPECT_FALSE(source.storedText(0).has_value());
    session.setText(0, "y");  // heard by a closed source: nothing to weigh
    EXPECT_EQ(source.untranslatedCount(), 0u);
}

}  // namespace
