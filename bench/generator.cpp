// SPDX-License-Identifier: GPL-3.0-or-later
#include "generator.h"

#include "text/cp1251.h"
#include "text/encodings.h"
#include "format/gxtdocument.h"

#include <random>
#include <vector>

namespace zarnik::bench {

namespace {

void putLe32(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s[at + i] = static_cast<char>(v >> (8 * i));
}

std::vector<std::string> words(const char* utf8List)
{
    std::vector<std::string> out;
    std::string current;
    for (const char* p = utf8List;; ++p) {
        if (*p == ' ' || *p == '\0') {
            if (!current.empty())
                out.push_back(Utf8ToCp1251(current));
            current.clear();
            if (*p == '\0')
                break;
        } else {
            current.push_back(*p);
        }
    }
    return out;
}

}  // namespace

std::string GenerateGxt(size_t entries, uint32_t seed)
{
    std::mt19937 rng(seed);
    const auto russian = words(
        "Добро пожаловать в город машина угнать доставить гараж полиция банда задание "
        "выполнено деньги бонус заработал убей всех врагов быстро езжай сюда телефон "
        "звонит босс ждёт тебя на складе Зайцы Учёные Якудза Рэднеки");
    const auto latin = words(
        "Welcome to Anywhere City steal the car deliver garage police gang mission "
        "complete money bonus earned kill all enemies quickly drive here phone boss");
    const char keyChars[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789_";
    std::uniform_int_distribution<int> pick(0, 1 << 30);

    std::vector<std::string> texts(entries);
    std::vector<std::array<char, 8>> keys(entries);
    for (size_t i = 0; i < entries; ++i) {
        const int keyLength = 3 + pick(rng) % 6;
        keys[i] = {};
        for (int k = 0; k < keyLength; ++k)
            keys[i][k] = keyChars[pick(rng) % (sizeof keyChars - 1)];

        const int kind = pick(rng) % 10;  // 5 Buka, 2 Pirate, 3 Latin
        const auto& pool = kind < 7 ? russian : latin;
        const size_t length = 20 + pick(rng) % 181;
        std::string t;
        if (pick(rng) % 3 == 0)
            t += std::string(1, "lzSp"[pick(rng) % 4]) + "!";
        while (t.size() < length) {
            const std::string& w = pool[pick(rng) % pool.size()];
            if (!t.empty())
                t.push_back(' ');
            if (pick(rng) % 12 == 0)
                t += "#" + w + "#";
            else
                t += w;
        }
        t.resize(length);
        if (kind < 5) {
            BukaConvert(t, Direction::ToStorage);
        } else if (kind < 7) {
            UpperNoYo(t);
            PirateConvert(t, Direction::ToStorage);
        }
        texts[i] = std::move(t);
    }

    std::string out(22 + entries * 12, '\0');
    out.replace(0, 6, "GBLR\x64\x00", 6);
    out.replace(6, 4, "TKEY");
    putLe32(out, 10, static_cast<uint32_t>(entries * 12));
    const size_t dataStart = 22 + entries * 12;
    for (size_t i = 0; i < entries; ++i) {
        putLe32(out, 14 + i * 12, static_cast<uint32_t>(out.size() - dataStart));
        std::copy(keys[i].begin(), keys[i].end(), out.begin() + 14 + i * 12 + 4);
        WriteGxtString(out, texts[i]);
    }
    out.replace(dataStart - 8, 4, "TDAT");
    putLe32(out, dataStart - 4, static_cast<uint32_t>(out.size() - dataStart));
    return out;
}

}  // namespace zarnik::bench
