// SPDX-License-Identifier: GPL-3.0-or-later
#include "gxtgenerator.h"

#include "text/cp1251.h"
#include "text/encodings.h"
#include "gxtbuilder.h"

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

namespace zarnik::testing {

namespace {

// Game texts of the kind a Russian GTA2 file holds. Written for these tests; the detector
// learns from different prose, so the figures are not measured on its own lesson.
const char* const kRussian[] = {
    "Добро пожаловать в Город Всех Святых!",
    "Угони машину и доставь её в гараж за мостом.",
    "#Вы# теперь работаете на Ученых. Не подведите их.",
    "Забери посылку у вокзала, пока её не нашли копы.",
    "Задание выполнено!",
    "Задание провалено. Попробуй ещё раз.",
    "Взорви фургон Зайцев, пока он не уехал из района.",
    "Полиция уже едет сюда. Уходи через переулок!",
    "Нажми #ВВОД#, чтобы продолжить.",
    "У тебя осталось всего две минуты.",
    "Босс хочет с тобой поговорить. Приезжай к телефону у церкви.",
    "Найди грузовик с оружием и перегони его на склад.",
    "Отличная работа, парень! Деньги уже на твоем счету.",
    "Ты потерял уважение банды. Теперь они стреляют в тебя.",
    "Сломанная машина не годится. Найди другую.",
    "Спрячься от полиции, пока не утихнет шум.",
    "Доставь #пассажира# в больницу, он истекает кровью.",
    "Жми на газ! Грузовик уходит по северной дороге.",
    "Собери все пакеты, разбросанные по кварталу.",
    "Встреть нашего человека у заправки и отдай ему чемодан.",
    "Кто-то сдал нас полиции. Найди крысу и разберись с ней.",
    "Бонус за разрушения! Продолжай в том же духе.",
    "Разбей все машины конкурентов на стоянке у рынка.",
    "Водитель автобуса должен нам денег. Напомни ему о долге.",
    "Осторожно: на крыше сидит снайпер.",
    "Садись в такси и вези клиентов по адресам.",
    "Выбери уровень сложности и начинай игру.",
    "Сохранить игру можно только в церкви.",
    "Ракетная установка спрятана в подвале старого завода.",
    "Фермеры из пригорода просят защитить их от бандитов.",
    "Хватит болтать, пора за работу.",
    "Чемпион гонок вызывает тебя на заезд вокруг стадиона.",
    "Банда Якудзы контролирует весь центр города.",
    "Электрички ходят по расписанию, не опоздай на последнюю.",
    "Юный угонщик ищет наставника. Покажи ему пару приемов.",
    "Щедрая награда ждет того, кто найдет пропавший танк.",
    "Шериф объявил тебя в розыск по всему штату.",
    "Цирковой фургон набит краденым золотом.",
    "Эта улица принадлежит нам, чужакам здесь не место.",
    "Мэр устроил прием в ратуше. Проберись туда без приглашения.",
    "Подожди сигнала, потом въезжай в ворота на полной скорости.",
    "Броневик с зарплатой выезжает из банка в полдень.",
    "Любишь быстрые машины? Тогда этот заезд для тебя.",
    "Жизнь одна, береги ее и не лезь под пули.",
    "Объедь город за три минуты и вернись к финишу.",
    "Подъезжай к складу тихо, охрана не должна тебя заметить.",
    "Генерал хочет вернуть свой вертолет до рассвета.",
    "Очки: #5000#. Множитель увеличен!",
    "Связной будет ждать тебя у фонтана в парке.",
    "Твои враги объединились. Будь готов ко всему.",
    "Тихо - охрана рядом. Жди, пока она не уйдет...",
    "Поехали... Быстрее, они уже близко!",
    "Ключ от сейфа - у бармена. Забери его любой ценой.",
};

// Short texts: menu items, answers, status words.
const char* const kShortRussian[] = {
    "Да", "Нет", "Выход", "Меню", "Пуск", "Назад", "Далее", "Пауза", "Звук", "Музыка",
    "Игра", "Старт", "Вкл", "Выкл", "Отмена", "Сохранить", "Загрузить", "Опции", "Уровень",
    "Очки", "Жизни", "Бонус", "Банда", "Деньги", "Время", "Конец", "Ура!", "Вперед", "Стоп",
    "Готово", "Новая игра", "Ключ", "Броня", "Розыск", "Город", "Босс", "Миссия", "Карта",
    "Оружие", "Гонка", "Приз", "Мир", "Ты", "Он", "Я", "Все", "Еще", "Поехали!",
};

const char* const kEnglish[] = {
    "Welcome to Anywhere City",
    "Press #ENTER# to continue",
    "Steal a car and bring it to the garage.",
    "Mission complete!",
    "The cops are on their way. Lose them!",
    "Collect all the packages before the timer runs out.",
    "Kill frenzy! Destroy 20 cars in 2 minutes.",
    "You have been busted.",
    "Meet our man at the gas station.",
    "Bonus! Keep up the good work.",
    "The Zaibatsu want this truck delivered in one piece.",
    "Get to the phone box by the church.",
};

// European texts. Accented letters are written in UTF-8 and placed in the game's slots
// when the file is made.
const char* const kGerman[] = {
    "Willkommen in der Stadt der Verrückten!",
    "Bring das Fahrzeug in die Garage hinter der Brücke.",
    "Auftrag erfüllt! Gut gemacht.",
    "Die Polizei ist unterwegs. Hau ab, schnell!",
    "Drück #EINGABE#, um fortzufahren.",
    "Du hast nur noch zwei Minuten Zeit.",
    "Hol das Päckchen am Bahnhof ab, bevor es die Bullen finden.",
    "Zerstöre alle Wagen der Konkurrenz auf dem Parkplatz.",
    "Größere Belohnung für schnellere Lieferung.",
    "Öffne die Tür zum Lagerhaus und schließ sie hinter dir.",
    "Über die Straße, dann links zur Kirche.",
    "Der Bürgermeister gibt einen Empfang im Rathaus.",
    "Fahr zum Café an der Ecke und warte.",
    "Übung macht den Meister.",
};
const char* const kSpanish[] = {
    "¡Bienvenido a la ciudad!",
    "Lleva el coche al garaje detrás del puente.",
    "¡Misión cumplida!",
    "La policía está en camino. ¡Escápate!",
    "¿Tienes el dinero? Él te espera en el café.",
    "Recoge el paquete en la estación antes de que llegue la policía.",
    "Sólo te quedan dos minutos.",
    "El señor alcalde da una recepción en el ayuntamiento.",
    "Destruye todos los camiones del almacén.",
    "Pulsa #INTRO# para continuar, mañana será tarde.",
};
const char* const kFrench[] = {
    "Bienvenue à la ville!",
    "Amène la voiture au garage derrière le pont.",
    "Mission réussie! Très bien.",
    "La police arrive. Fuis à toute vitesse!",
    "Il te reste à peine deux minutes.",
    "Va à la gare et récupère le colis.",
    "Le maire donne une réception à l'hôtel de ville.",
    "Détruis tous les camions de l'entrepôt.",
};

const char* const kMarkers[] = {"l!", "z!", "S!", "p!", "b!"};

class Generator {
public:
    explicit Generator(uint32_t seed) : rng_(seed) {}

    int range(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
    bool chance(double p) { return std::uniform_real_distribution<double>(0, 1)(rng_) < p; }
    template <class T, size_t N>
    const T& pick(const T (&items)[N]) { return items[size_t(range(0, int(N) - 1))]; }
    std::mt19937& rng() { return rng_; }

    // A Russian text in Windows-1251 (display form), one to three sentences.
    std::string russian()
    {
        std::string text = pick(kRussian);
        for (int n = range(0, 2); n > 0; --n)
            text += std::string(" ") + pick(kRussian);
        return Utf8ToCp1251(text);
    }

    // One text in ten has a few Latin twins typed into its Russian words.
    void slipLookalikes(std::string& text)
    {
        if (!chance(0.1))
            return;
        static const std::map<uint8_t, char> twins = {
            {0xEE, 'o'}, {0xE0, 'a'}, {0xE5, 'e'}, {0xF1, 'c'}, {0xF0, 'p'}, {0xF5, 'x'},
            {0xF3, 'y'}, {0xCE, 'O'}, {0xC0, 'A'}, {0xC5, 'E'}, {0xD1, 'C'}, {0xD0, 'P'},
            {0xD2, 'T'}, {0xCD, 'H'}, {0xCA, 'K'}, {0xCC, 'M'}, {0xC2, 'B'}};
        for (char& c : text) {
            const auto it = twins.find(uint8_t(c));
            if (it != twins.end() && chance(0.2))
                c = it->second;
        }
    }

private:
    std::mt19937 rng_;
};

// Display form (Windows-1251) to the storage form of an encoding.
std::string store(std::string text, TextEncoding encoding)
{
    if (encoding == TextEncoding::Buka) {
        // Buka has no slot for "ё"; its translators wrote "е".
        for (char& c : text)
            if (uint8_t(c) == 0xB8) c = char(0xE5);
            else if (uint8_t(c) == 0xA8) c = char(0xC5);
        BukaConvert(text, Direction::ToStorage);
    } else if (encoding == TextEncoding::Pirate) {
        UpperNoYo(text);
        PirateConvert(text, Direction::ToStorage);
    } else if (encoding == TextEncoding::Windows1251) {
        // Typed in a word processor: real dashes and ellipses.
        std::string typed;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text.compare(i, 3, " - ") == 0) { typed += " \x97 "; i += 2; }
            else if (text.compare(i, 3, "...") == 0) { typed += '\x85'; i += 2; }
            else typed += text[i];
        }
        text = typed;
    }
    return text;
}

// Accented letters of UTF-8 text to single bytes through `slots`; ASCII passes.
std::string placeAccents(std::string_view utf8, const std::map<char32_t, uint8_t>& slots)
{
    std::string out;
    for (size_t i = 0; i < utf8.size();) {
        const auto b = uint8_t(utf8[i]);
        if (b < 0x80) { out += char(b); ++i; continue; }
        const char32_t cp = b < 0xE0 ? ((b & 0x1F) << 6) | (uint8_t(utf8[i + 1]) & 0x3F)
                                     : ((b & 0x0F) << 12) | ((uint8_t(utf8[i + 1]) & 0x3F) << 6) |
                                           (uint8_t(utf8[i + 2]) & 0x3F);
        i += b < 0xE0 ? 2 : 3;
        out += char(slots.at(cp));
    }
    return out;
}

// The accented letters the European banks use, given slots for one file: a shuffle of
// 0x80-0xB0 (no one knows a mod's own layout), or their Windows-1252 codes.
std::map<char32_t, uint8_t> accentSlots(Generator& g, bool windows1252)
{
    const std::u32string letters = U"äöüÄÖÜßéèêàâçîôûáíóúñÑ¿¡ÉÁÓÍÚ";
    std::map<char32_t, uint8_t> slots;
    std::vector<uint8_t> bytes(0xB1 - 0x80);
    std::iota(bytes.begin(), bytes.end(), uint8_t(0x80));
    std::shuffle(bytes.begin(), bytes.end(), g.rng());
    for (size_t i = 0; i < letters.size(); ++i)
        slots[letters[i]] = windows1252 ? uint8_t(letters[i]) : bytes[i];
    return slots;
}

std::string keyFor(Generator& g, size_t index)
{
    static const char* const stems[] = {"", "car", "miss", "gang", "bonus", "txt", "m", "p"};
    std::string key = g.pick(stems) + std::to_string(index);
    return key.substr(0, 8);
}

// The icon marker spelt as two plain units, as some mod files do.
std::string plainUnits(std::string_view text)
{
    std::string out;
    for (char c : text) {
        out += c;
        out += '\0';
    }
    return out + std::string(2, '\0');
}

}  // namespace

const char* FileKindName(FileKind kind)
{
    switch (kind) {
    case FileKind::Buka: return "Buka";
    case FileKind::Pirate: return "Pirate";
    case FileKind::Windows1251: return "Windows-1251";
    case FileKind::English: return "English";
    case FileKind::European: return "German/Spanish/French";
    case FileKind::Short: return "very short texts";
    case FileKind::Mixed: return "mixed";
    }
    return "?";
}

GeneratedFile GenerateGxtFile(FileKind kind, uint32_t seed)
{
    Generator g(seed * 7919u + uint32_t(kind));
    GeneratedFile file;
    const int count = kind == FileKind::Short ? g.range(20, 60) : g.range(100, 400);

    // Which encoding each Russian text gets.
    std::vector<TextEncoding> plan;
    static const TextEncoding kThree[] = {TextEncoding::Buka, TextEncoding::Pirate,
                                          TextEncoding::Windows1251};
    switch (kind) {
    case FileKind::Buka: plan.assign(size_t(count), TextEncoding::Buka); break;
    case FileKind::Pirate: plan.assign(size_t(count), TextEncoding::Pirate); break;
    case FileKind::Windows1251: plan.assign(size_t(count), TextEncoding::Windows1251); break;
    case FileKind::Short: plan.assign(size_t(count), g.pick(kThree)); break;
    case FileKind::Mixed: {
        const int a = count * g.range(28, 40) / 100, b = count * g.range(28, 40) / 100;
        plan.assign(size_t(a), TextEncoding::Buka);
        plan.insert(plan.end(), size_t(b), TextEncoding::Pirate);
        plan.insert(plan.end(), size_t(count - a - b), TextEncoding::Windows1251);
        std::shuffle(plan.begin(), plan.end(), g.rng());
        break;
    }
    case FileKind::English:
    case FileKind::European: plan.assign(size_t(count), TextEncoding::None); break;
    }
    const bool windows1252 = g.chance(0.2);
    const auto slots = accentSlots(g, windows1252);
    const char* const* european = kGerman;
    size_t europeanCount = std::size(kGerman);
    if (const int language = g.range(0, 2); language == 1) {
        european = kSpanish;
        europeanCount = std::size(kSpanish);
    } else if (language == 2) {
        european = kFrench;
        europeanCount = std::size(kFrench);
    }

    GxtBuilder builder(kind == FileKind::English || kind == FileKind::European ? 'G' : 'R');
    for (size_t i = 0; i < plan.size(); ++i) {
        TextEncoding truth = plan[i];
        std::string text;
        if (kind == FileKind::European && g.chance(0.6)) {
            text = placeAccents(european[g.range(0, int(europeanCount) - 1)], slots);
        } else if (truth == TextEncoding::None || (kind != FileKind::Short && g.chance(0.1))) {
            truth = TextEncoding::None;
            text = g.chance(0.2) ? "" : g.pick(kEnglish);
        } else {
            text = kind == FileKind::Short ? Utf8ToCp1251(g.pick(kShortRussian)) : g.russian();
            g.slipLookalikes(text);
            text = store(text, truth);
        }
        const bool marked = !text.empty() && g.chance(kind == FileKind::Short ? 0.2 : 0.5);
        if (marked)
            text = g.pick(kMarkers) + text;
        const std::string key = keyFor(g, i);
        if (marked && g.chance(0.2))
            builder.addRaw(key, plainUnits(text));
        else
            builder.add(key, text);
        file.texts.push_back(text);
        file.truth.push_back(truth);
    }
    file.bytes = builder.build();
    file.expected = kind == FileKind::Buka          ? Encoding::Buka
                    : kind == FileKind::Pirate      ? Encoding::Pirate
                    : kind == FileKind::Windows1251 ? Encoding::Windows1251
                    : kind == FileKind::Mixed       ? Encoding::Mixed
                    : kind == FileKind::Short
                        ? (plan[0] == TextEncoding::Buka     ? Encoding::Buka
                           : plan[0] == TextEncoding::Pirate ? Encoding::Pirate
                                                             : Encoding::Windows1251)
                        : Encoding::None;
    return file;
}

}  // namespace zarnik::testing
