// SPDX-License-Identifier: GPL-3.0-or-later
#include "gxtbuilder.h"

#include "text/cp1251.h"
#include "text/encodings.h"
#include "format/gxtdocument.h"

#include <cstring>

namespace zarnik::testing {

namespace {

void putLe32(std::string& s, size_t at, uint32_t v)
{
    s[at] = char(v);
    s[at + 1] = char(v >> 8);
    s[at + 2] = char(v >> 16);
    s[at + 3] = char(v >> 24);
}

std::string le32(uint32_t v)
{
    std::string s(4, '\0');
    putLe32(s, 0, v);
    return s;
}

}  // namespace

std::string GxtImageOnOffsets(const std::vector<uint32_t>& offsets, std::string_view data, char language)
{
    std::string out = std::string("GBL") + language + std::string("\x64\0TKEY", 6);
    out.resize(14 + offsets.size() * 12);
    const auto le32 = [&out](size_t at, uint32_t v) {
        for (int b = 0; b < 4; ++b)
            out[at + b] = static_cast<char>(v >> (8 * b));
    };
    le32(10, static_cast<uint32_t>(offsets.size() * 12));
    for (size_t i = 0; i < offsets.size(); ++i) {
        le32(14 + i * 12, offsets[i]);
        const std::string key = "k" + std::to_string(i % 1000000);
        out.replace(14 + i * 12 + 4, key.size(), key);
    }
    out += std::string("TDAT\0\0\0\0", 8);
    return out.append(data);
}

std::string EncodeUnits(std::string_view text)
{
    std::string out;
    WriteGxtString(out, text);
    return out;
}

GxtBuilder::GxtBuilder(char language) : language_(language) {}

GxtBuilder& GxtBuilder::add(std::string_view key, std::string_view text)
{
    entries_.push_back({std::string(key), EncodeUnits(text), {}, {}});
    return *this;
}

GxtBuilder& GxtBuilder::addRaw(std::string_view key, std::string_view bytes)
{
    entries_.push_back({std::string(key), std::string(bytes), {}, {}});
    return *this;
}

GxtBuilder& GxtBuilder::addShared(std::string_view key, size_t sameAs)
{
    entries_.push_back({std::string(key), {}, sameAs, {}});
    return *this;
}

GxtBuilder& GxtBuilder::addAt(std::string_view key, uint32_t offset)
{
    entries_.push_back({std::string(key), {}, {}, offset});
    return *this;
}

GxtBuilder& GxtBuilder::keyTableSize(uint32_t size) { keyTableSize_ = size; return *this; }
GxtBuilder& GxtBuilder::keyTablePadding(std::string_view b) { padding_ = b; return *this; }
GxtBuilder& GxtBuilder::dataSize(uint32_t size) { dataSize_ = size; return *this; }
GxtBuilder& GxtBuilder::gapBeforeStrings(std::string_view b) { gap_ = b; return *this; }
GxtBuilder& GxtBuilder::trailing(std::string_view b) { trailing_ = b; return *this; }

std::string GxtBuilder::build() const
{
    std::string data = gap_;
    std::vector<uint32_t> offsets(entries_.size());
    for (size_t i = 0; i < entries_.size(); ++i) {
        const Entry& e = entries_[i];
        if (e.bytes) {
            offsets[i] = static_cast<uint32_t>(data.size());
            data += *e.bytes;
        } else if (e.sameAs) {
            offsets[i] = offsets.at(*e.sameAs);
        } else {
            offsets[i] = *e.offset;
        }
    }

    std::string out = "GBL";
    out.push_back(language_);
    out += std::string("\x64\x00", 2);
    out += "TKEY";
    const auto records = static_cast<uint32_t>(entries_.size() * 12 + padding_.size());
    out += le32(keyTableSize_.value_or(records));
    for (size_t i = 0; i < entries_.size(); ++i) {
        out += le32(offsets[i]);
        std::string name = entries_[i].key.substr(0, 8);
        name.resize(8, '\0');
        out += name;
    }
    out += padding_;
    out += "TDAT";
    out += le32(dataSize_.value_or(static_cast<uint32_t>(data.size())));
    out += data;
    out += trailing_;
    return out;
}

std::string BukaText(std::string_view utf8)
{
    std::string t = Utf8ToCp1251(utf8);
    BukaConvert(t, Direction::ToStorage);
    return t;
}

std::string PirateText(std::string_view utf8)
{
    std::string t = Utf8ToCp1251(utf8);
    PirateConvert(t, Direction::ToStorage);
    return t;
}

std::string SampleGxtBytes()
{
    const auto buka = BukaText;
    GxtBuilder b('R');
    b.add("1102", buka("Добро пожаловать в Город Всех Святых!"))
        .add("car1", buka("Угнать машину и доставить ее в гараж."))
        .add("yourit", buka("#Вы# теперь в игре. Не попадитесь полиции."))
        .add("miss1", "l!" + buka("Забрать посылку у вокзала"))
        .add("miss2", "z!" + buka("Задание выполнено!"))
        .add("BONUS", "S!" + buka("БОНУС! 5000$"))
        .add("gang_1", buka("Зайцы"))
        .add("gang_2", buka("Ученые"))
        .addShared("gang_3", 6)
        .add("eng1", "Welcome to Anywhere City")
        .add("eng2", "Press #ENTER# to continue")
        .add("p!", "p!Pager message")
        .add("empty", "")
        .addRaw(std::string("B25\0rcy\0", 8), EncodeUnits(buka("Старый ключ с хвостом")))
        .add("credits", buka("Русская версия: команда Зарник, 2026 год."));
    return b.build();
}

}  // namespace zarnik::testing
