// SPDX-License-Identifier: GPL-3.0-or-later
#include "format/gxtdocument.h"

#include "files/bigmemory.h"
#include "files/fileerror.h"
#include "format/gxtdecode.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zarnik {

namespace {

uint32_t readLe32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void writeLe32(uint8_t* p, uint32_t v)
{
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}

// Shared strings take their memory once, but saving, exporting, searching and the list
// each go over every entry's text: a small hostile file whose keys all point at one huge
// string would make each of those walks practically endless.
constexpr uint64_t kMaxTextsPerFileByte = 16;
constexpr uint64_t kTextAllowance = 1u << 20;
// The texts are addressed with 32 bits, like everything else in the format.
constexpr uint64_t kLargestFile = UINT32_MAX;
// How far a file of unknown size may run past the end its headers give: room for the
// odd trailing bytes real files carry, far short of the format's limit.
constexpr uint64_t kStreamSlack = 1u << 20;

}  // namespace

std::string KeyEntry::shownName() const
{
    const void* zero = std::memchr(name.data(), 0, name.size());
    const size_t len = zero ? static_cast<const char*>(zero) - name.data() : name.size();
    return std::string(name.data(), len);
}

uint32_t GxtDocument::keyTableSize() const
{
    return readLe32(&FileHeader[10]);
}

uint32_t GxtDocument::dataSize() const
{
    return readLe32(&DataHeader[4]);
}

Text ReadGxtString(std::string_view file, uint64_t& pos)
{
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.data());
    const uint64_t size = file.size();
    if (pos >= size)
        return Text();
    Text text(size - pos, '\0');  // what the bytes from here can decode to at most
    const GxtRun run = DecodeGxtRun(bytes, size, pos, size, text.data());
    text.resize(static_cast<size_t>((run.terminated ? run.out : KeepLoneLastByte(bytes, size, run.pos, run.out)) -
                                    text.data()));
    pos = run.terminated ? run.pos + 2 : size;
    return text;
}

// A zero byte is stored together with the byte after it, as one unit whose low byte is 0,
// which is how a loaded text comes to hold one; alone it would be the string's end. The
// size of the stored string, or 0 when the text holds a zero byte that no other follows.
uint64_t EncodedGxtSize(std::string_view text)
{
    const size_t n = text.size();
    const size_t start = n > 2 && text[1] == '!' ? 2 : 0;  // the marker is one unit
    uint64_t units = n - start / 2;
    if (n == start)  // memchr must not see an empty text's null pointer
        return 2 * units + 2;
    for (const char* z = static_cast<const char*>(std::memchr(text.data() + start, 0, n - start)); z;
         z = static_cast<const char*>(std::memchr(z + 2, 0, text.data() + n - (z + 2)))) {
        if (z + 1 == text.data() + n || z[1] == '\0')
            return 0;
        --units;
    }
    return 2 * units + 2;
}

void WriteGxtString(std::string& out, std::string_view text)
{
    const size_t n = text.size();
    const bool marker = n > 2 && text[1] == '!';
    const size_t start = out.size();
    out.resize(start + 2 * (n - (marker ? 1 : 0)) + 2);
    char* p = out.data() + start;
    size_t i = 0;
    if (marker) {
        *p++ = text[0];
        *p++ = '!';
        i = 2;
    }
    while (i < n) {
        const void* zero = std::memchr(text.data() + i, 0, n - i);
        const size_t end = zero ? static_cast<size_t>(static_cast<const char*>(zero) - text.data()) : n;
        for (; i < end; ++i) {
            *p++ = text[i];
            *p++ = '\0';
        }
        if (i < n) {
            *p++ = '\0';
            *p++ = i + 1 < n ? text[i + 1] : '\0';
            i += 2;
        }
    }
    *p++ = '\0';
    *p++ = '\0';
    out.resize(static_cast<size_t>(p - out.data()));
}

// ---- the text store

GxtDocument::Block::Block(const Block& other)
{
    resize(other.size);
    if (size)
        std::memcpy(data, other.data, size);
}

GxtDocument::Block& GxtDocument::Block::operator=(const Block& other)
{
    if (this != &other) {
        Block copy(other);
        *this = std::move(copy);
    }
    return *this;
}

GxtDocument::Block::Block(Block&& other) noexcept : data(other.data), size(other.size)
{
    other.data = nullptr;
    other.size = 0;
}

GxtDocument::Block& GxtDocument::Block::operator=(Block&& other) noexcept
{
    std::swap(data, other.data);
    std::swap(size, other.size);
    return *this;
}

GxtDocument::Block::~Block()
{
    std::free(data);
}

void GxtDocument::Block::resize(uint64_t n)
{
    if (n == size)
        return;
    if (n == 0) {
        std::free(data);
        data = nullptr;
        size = 0;
        return;
    }
    if (n > SIZE_MAX)
        throw std::bad_alloc();
    // Shrinking a large block gives its tail back without copying what is kept.
    void* p = std::realloc(data, static_cast<size_t>(n));
    if (!p)
        throw std::bad_alloc();
    data = static_cast<char*>(p);
    if (n > size)
        AdviseHugePages(data, n);
    size = n;
}

GxtDocument::GxtDocument(const GxtDocument& other) = default;
GxtDocument& GxtDocument::operator=(const GxtDocument& other) = default;

void GxtDocument::setText(size_t i, Text text)
{
    swapText(i, text);
}

void GxtDocument::swapText(size_t i, Text& text)
{
    if (edit_.empty())
        edit_.assign(keys.size(), 0);
    if (edit_[i] != 0) {
        std::swap(edited_[edit_[i] - 1], text);
        return;
    }
    Text previous(loadedText(i));
    uint32_t slot;
    if (!freeSlots_.empty()) {
        slot = freeSlots_.back();
        freeSlots_.pop_back();
        edited_[slot] = std::move(text);
    } else {
        slot = static_cast<uint32_t>(edited_.size());
        edited_.push_back(std::move(text));
    }
    edit_[i] = slot + 1;
    text = std::move(previous);
}

void GxtDocument::restoreText(size_t i)
{
    if (!hasOwnText(i))
        return;
    const uint32_t slot = edit_[i] - 1;
    edited_[slot] = Text();
    edited_[slot].shrink_to_fit();
    freeSlots_.push_back(slot);
    edit_[i] = 0;
}

void GxtDocument::restoreAllTexts()
{
    edit_ = {};
    edited_ = {};
    freeSlots_ = {};
}

void GxtDocument::setLoadedTexts(const std::vector<Text>& texts)
{
    uint64_t total = 0;
    for (const Text& t : texts)
        total += t.size();
    if (total > UINT32_MAX)
        throw FileError(FileStep::TooLarge, "", 0, "string data exceeds 4 GiB");
    Block block;
    block.resize(total);
    std::vector<Span> loaded(texts.size());
    uint64_t at = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (!texts[i].empty())
            std::memcpy(block.data + at, texts[i].data(), texts[i].size());
        loaded[i] = {static_cast<uint32_t>(at), static_cast<uint32_t>(texts[i].size())};
        at += texts[i].size();
    }
    block_ = std::move(block);
    loaded_ = std::move(loaded);
    restoreAllTexts();
}

std::vector<Text> GxtDocument::currentTexts() const
{
    std::vector<Text> out;
    out.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        out.emplace_back(text(i));
    return out;
}

std::vector<Text> GxtDocument::loadedTexts() const
{
    std::vector<Text> out;
    out.reserve(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        out.emplace_back(loadedText(i));
    return out;
}

uint64_t GxtDocument::textBytesHeld() const
{
    uint64_t total = block_.size;
    for (const Text& t : edited_)
        total += t.size();
    return total;
}

// ---- loading

GxtDocument::Block GxtDocument::readFile(const std::string& path)
{
    Block data;
    // A file whose size was not known ahead (a device, a pipe) is read only a little past
    // the end its own headers give: /dev/zero is refused at once instead of being read up
    // to the format's limit, which is more memory than many machines have. A file that
    // says its size ahead is read whole, as strings past a wrong data size still load.
    uint64_t firstGuess = 0;
    try {
        ReadWholeFileInto(
            path,
            [&](uint64_t n) {
                if (firstGuess == 0) {
                    firstGuess = n;
                } else if (n > data.size && data.size >= firstGuess) {
                    // Asked to grow: everything in the block has been read.
                    const auto* bytes = reinterpret_cast<const uint8_t*>(data.data);
                    const uint64_t header = data.size >= 14 ? 22 + uint64_t(readLe32(bytes + 10)) : UINT64_MAX;
                    if (header <= data.size && data.size - header > readLe32(bytes + header - 4) + kStreamSlack)
                        throw FileError(FileStep::Damaged, path, 0, "the file goes on past the end its headers give");
                }
                data.resize(n);
                return data.data;
            },
            kLargestFile);
    } catch (const std::bad_alloc&) {
        throw FileError(FileStep::Read, path, ENOMEM);
    }
    return data;
}

namespace {

// Where an entry's string starts in the file, with the entry's number packed below it so
// that sorting the packed values sorts the entries by position. Positions lie below 2^34
// (a 32-bit offset after a key table of at most 4 GiB), and there are fewer than 2^29
// entries.
constexpr int kEntryBits = 29;

struct Placed {
    uint64_t packed;
    uint64_t position() const { return packed >> kEntryBits; }
    uint32_t entry() const { return static_cast<uint32_t>(packed & ((uint64_t(1) << kEntryBits) - 1)); }
};

// The entries whose strings start inside the file, in the file order of their strings.
// Game files mostly list their strings in key order, and then the key table itself is
// that order; others are sorted.
class FileOrder {
public:
    // `inOrder`: whether the strings inside the file come in key order; `inside`: how many.
    FileOrder(const std::vector<KeyEntry>& keys, uint64_t dataStart, uint64_t size, bool inOrder, uint64_t inside)
        : keys_(keys), dataStart_(dataStart), size_(size), inOrder_(inOrder)
    {
        if (!inOrder) {
            sorted_.reserve(inside);
            for (uint64_t i = 0; i < keys.size(); ++i)
                if (dataStart + keys[i].offset < size)
                    sorted_.push_back({(dataStart + keys[i].offset) << kEntryBits | i});
            std::sort(sorted_.begin(), sorted_.end(), [](Placed a, Placed b) { return a.packed < b.packed; });
        }
        n = inOrder ? keys.size() : sorted_.size();
    }

    Placed at(size_t k) const
    {
        return inOrder_ ? Placed{(dataStart_ + keys_[k].offset) << kEntryBits | k} : sorted_[k];
    }
    // The next entry from k on whose string starts inside the file at a position of the
    // given parity.
    size_t nextOfParity(uint64_t parity, size_t k) const
    {
        for (; k < n; ++k) {
            const uint64_t pos = at(k).position();
            if (pos < size_ && (pos & 1) == parity)
                break;
        }
        return k;
    }

    size_t n = 0;

private:
    const std::vector<KeyEntry>& keys_;
    uint64_t dataStart_, size_;
    bool inOrder_;
    std::vector<Placed> sorted_;
};

// Decodes the strings that entries of one parity (of their position) start in, in file
// order, to `out`, and returns the end of what is written. A string is decoded once however
// many entries point into it: each entry opens where it starts and all open entries end at
// the next terminator, so one that points into another's string gets that string's tail.
// Units between strings that no entry points into are passed over, so a few strings at the
// rarer parity cost their own size, not the file's.
template <typename Spans>
uint64_t decodeStringByString(const FileOrder& order, uint64_t parity, const uint8_t* bytes, uint64_t size,
                              char* out, Spans& spans)
{
    const size_t n = order.n;
    size_t k = order.nextOfParity(parity, 0), open = k;  // entries [open, k) have begun and not ended
    char* w = out;
    const auto endOpen = [&] {
        for (; open < k; open = order.nextOfParity(parity, open + 1)) {
            auto& span = spans[order.at(open).entry()];
            span.size = static_cast<uint32_t>(static_cast<uint64_t>(w - out) - span.begin);
        }
    };
    uint64_t p = k < n ? order.at(k).position() : size;
    while (k < n) {
        for (; k < n && order.at(k).position() == p; k = order.nextOfParity(parity, k + 1))
            spans[order.at(k).entry()].begin = static_cast<uint32_t>(w - out);
        const uint64_t stop = k < n ? order.at(k).position() : size;
        while (open != k) {
            const GxtRun run = DecodeGxtRun(bytes, size, p, stop, w);
            w = run.out;
            p = run.pos;
            if (!run.terminated)
                break;
            endOpen();
            p += 2;
        }
        if (k == n) {
            if (open != k)
                w = KeepLoneLastByte(bytes, size, p, w);
            endOpen();
        }
        p = stop;
    }
    return static_cast<uint64_t>(w - out);
}

// Strings mostly follow each other, each entry's right after the one before: then an
// entry's text ends right before the next entry's position. That is taken as true and
// the spans given so, then proved: a terminator right before every next position, and
// no other terminator among the units they cover (so each is the first after its entry).
// False when it does not hold; the spans given are then to be found again.
template <typename Spans>
bool spansOfFollowingStrings(const FileOrder& order, uint64_t parity, size_t k, uint64_t first,
                             const GxtUnitMap& map, uint64_t written, Spans& spans)
{
    const size_t n = order.n;
    const auto unitOf = [&](size_t j) { return (order.at(j).position() - first) / 2; };
    GxtUnitMap::Cursor begins, ends;
    size_t waiting = k;  // the entries at `unit`, given their span when its end is known
    uint64_t unit = unitOf(k), from = unit + map.wideBefore(unit, begins), guessed = 0;
    bool followEachOther = true;
    for (size_t j = order.nextOfParity(parity, k + 1);; j = order.nextOfParity(parity, j + 1)) {
        if (j < n && unitOf(j) == unit)
            continue;
        uint64_t end = 0, to = 0;
        if (j < n) {
            end = unitOf(j) - 1;
            followEachOther = followEachOther && map.isEnd(end);
            ++guessed;
            to = end + map.wideBefore(end, ends);
        } else {
            end = map.nextEnd(unit);
            to = end < map.units ? end + map.wideBefore(end, ends) : written;
        }
        for (; waiting < j; waiting = order.nextOfParity(parity, waiting + 1))
            spans[order.at(waiting).entry()] = {static_cast<uint32_t>(from), static_cast<uint32_t>(to - from)};
        if (j == n)
            break;
        unit = unitOf(j);
        from = to + 1;  // after the terminator, which became one byte
    }
    // Each of the `guessed` spans holds a terminator at its end; none holds another when
    // all the terminators before the last entry's position are those.
    return followEachOther && map.endCount - map.endsFrom(unit) == guessed;
}

// Gives each entry the characters from its unit to the next terminator, one search each.
template <typename Spans>
void spansBySearch(const FileOrder& order, uint64_t parity, size_t k, uint64_t first, const GxtUnitMap& map,
                   uint64_t written, Spans& spans)
{
    GxtUnitMap::Cursor begins, ends;
    uint64_t end = 0, to = 0;  // the terminator that ends the entries so far, and where it landed
    bool ended = false;
    for (; k < order.n; k = order.nextOfParity(parity, k + 1)) {
        const Placed e = order.at(k);
        const uint64_t unit = (e.position() - first) / 2;  // a lone last byte: the unit after the whole ones
        // Strings mostly follow each other: then the entry starts right after the last
        // terminator, which became one byte.
        const uint64_t from =
            ended && unit == end + 1 && end < map.units ? to + 1 : unit + map.wideBefore(unit, begins);
        if (!ended || end < unit) {
            end = map.nextEnd(unit);
            to = end < map.units ? end + map.wideBefore(end, ends) : written;
            ended = true;
        }
        spans[e.entry()] = {static_cast<uint32_t>(from), static_cast<uint32_t>(to - from)};
    }
}

// Decodes every unit of one parity from the first string an entry starts in to the end of
// the file, over the file's own bytes, and gives each entry the characters from its unit
// to the next terminator. Going through the units between strings costs less than
// stopping at every string; what is written never outgrows the units read, and stays more
// than 16 bytes behind them (the texts start after the header).
template <typename Spans>
uint64_t decodeInPlace(const FileOrder& order, uint64_t parity, char* file, uint64_t size, Spans& spans)
{
    const size_t k = order.nextOfParity(parity, 0);
    if (k == order.n)
        return 0;
    const auto* bytes = reinterpret_cast<const uint8_t*>(file);
    const uint64_t first = order.at(k).position();
    GxtUnitMap map;
    uint64_t written = DecodeGxtUnitsFrom(bytes, size, first, file, map);
    if ((size - first) % 2 == 1)
        written = static_cast<uint64_t>(KeepLoneLastByte(bytes, size, size - 1, file + written) - file);
    if (!spansOfFollowingStrings(order, parity, k, first, map, written, spans))
        spansBySearch(order, parity, k, first, map, written, spans);
    return written;
}

}  // namespace

GxtDocument GxtDocument::parse(Block&& file, const std::string& name)
{
    const uint64_t size = file.size;
    const auto* bytes = reinterpret_cast<const uint8_t*>(file.data);
    GxtDocument doc;
    if (size < 14)
        throw FileError(FileStep::Damaged, name, 0, "file is shorter than its 14-byte header");
    std::memcpy(doc.FileHeader.data(), bytes, 14);
    const uint64_t tableSize = readLe32(&doc.FileHeader[10]);
    if (14 + tableSize > size)
        throw FileError(FileStep::Damaged, name, 0, "key table runs past the end of the file");
    if (14 + tableSize + 8 > size)
        throw FileError(FileStep::Damaged, name, 0, "data header runs past the end of the file");
    if (size > kLargestFile)
        throw FileError(FileStep::TooLarge, name, 0, "string data exceeds 4 GiB");

    const uint64_t count = tableSize / 12;  // a remainder is skipped
    const uint64_t dataStart = 22 + tableSize;
    doc.keys.resize(count);
    uint64_t inside = 0, odd = 0, last = 0;  // strings starting inside the file, those at odd places
    bool inOrder = true;
    for (uint64_t i = 0; i < count; ++i) {
        doc.keys[i].offset = readLe32(bytes + 14 + i * 12);
        std::memcpy(doc.keys[i].name.data(), bytes + 14 + i * 12 + 4, 8);
        const uint64_t pos = dataStart + doc.keys[i].offset;
        if (pos < size) {
            ++inside;
            odd += pos & 1;
            inOrder = inOrder && pos >= last;
            last = pos;
        }
    }
    std::memcpy(doc.DataHeader.data(), bytes + 14 + tableSize, 8);
    doc.loaded_.assign(count, Span{});  // entries pointing past the end keep an empty text

    // The parity most strings start at is decoded over the file's own bytes, after the
    // other one (rare: only odd files have it) has been decoded string by string to a
    // block of its own while those bytes were intact.
    Block other;
    uint64_t kept = 0, inPlace = 0;
    {
        const FileOrder order(doc.keys, dataStart, size, inOrder, inside);
        inPlace = odd * 2 > inside ? 1 : 0;
        if (inPlace ? odd < inside : odd > 0) {
            other.resize(size);  // an upper bound; the pages never written are never touched
            other.resize(decodeStringByString(order, 1 - inPlace, bytes, size, other.data, doc.loaded_));
        }
        kept = decodeInPlace(order, inPlace, file.data, size, doc.loaded_);
    }

    uint64_t total = 0;
    for (const Span& span : doc.loaded_)
        total += span.size;
    if (total > size * kMaxTextsPerFileByte + kTextAllowance)
        throw FileError(FileStep::Damaged, name, 0, "strings overlap far beyond the file's size");
    if (kept + other.size > UINT32_MAX)
        throw FileError(FileStep::TooLarge, name, 0, "string data exceeds 4 GiB");

    file.resize(kept + other.size);
    if (other.size) {
        std::memcpy(file.data + kept, other.data, other.size);
        for (uint64_t i = 0; i < count; ++i)
            if (((dataStart + doc.keys[i].offset) & 1) != inPlace)
                doc.loaded_[i].begin += static_cast<uint32_t>(kept);
    }
    doc.block_ = std::move(file);
    return doc;
}

// Running out of memory on a file too big for this machine is reported like any other
// failure to read it.
template <typename Parse>
GxtDocument parseReportingMemory(const std::string& name, const Parse& parse)
{
    try {
        return parse();
    } catch (const std::bad_alloc&) {
        throw FileError(FileStep::Read, name, ENOMEM);
    }
}

GxtDocument ParseGxt(std::string_view bytes, const std::string& name)
{
    return parseReportingMemory(name, [&] {
        GxtDocument::Block block;
        block.resize(bytes.size());
        if (!bytes.empty())
            std::memcpy(block.data, bytes.data(), bytes.size());
        return GxtDocument::parse(std::move(block), name);
    });
}

GxtDocument LoadGxtFile(const std::string& path)
{
    return parseReportingMemory(path, [&] { return GxtDocument::parse(GxtDocument::readFile(path), path); });
}

GxtLayout ComputeGxtLayout(const GxtDocument& doc)
{
    const uint64_t count = doc.keys.size();
    const uint64_t tableSize = count * 12;
    GxtLayout layout;
    layout.FileHeader = doc.FileHeader;
    layout.DataHeader = doc.DataHeader;
    layout.offsets.resize(count);
    uint64_t dataSize = 0;
    for (uint64_t i = 0; i < count; ++i) {
        if (dataSize > UINT32_MAX)
            break;
        layout.offsets[i] = static_cast<uint32_t>(dataSize);
        const uint64_t size = EncodedGxtSize(doc.text(i));
        if (size == 0)
            throw FileError(FileStep::UnstorableText, "", 0, doc.keys[i].shownName());
        dataSize += size;
    }
    if (tableSize > UINT32_MAX || dataSize > UINT32_MAX)
        throw FileError(FileStep::TooLarge, "", 0, "string data exceeds 4 GiB");
    writeLe32(&layout.FileHeader[10], static_cast<uint32_t>(tableSize));
    writeLe32(&layout.DataHeader[4], static_cast<uint32_t>(dataSize));
    return layout;
}

void WriteGxtImage(const GxtDocument& doc, const GxtLayout& layout,
                   const std::function<void(std::string_view)>& emit)
{
    const size_t count = doc.keys.size();
    std::string table(14 + count * 12 + 8, '\0');
    auto* out = reinterpret_cast<uint8_t*>(table.data());
    std::memcpy(out, layout.FileHeader.data(), 14);
    for (size_t i = 0; i < count; ++i) {
        writeLe32(out + 14 + i * 12, layout.offsets[i]);
        std::memcpy(out + 14 + i * 12 + 4, doc.keys[i].name.data(), 8);
    }
    std::memcpy(out + 14 + count * 12, layout.DataHeader.data(), 8);
    emit(table);
    table.clear();
    table.shrink_to_fit();

    std::string chunk;
    constexpr size_t kChunk = 1 << 18;
    chunk.reserve(kChunk + 1024);
    for (size_t i = 0; i < count; ++i) {
        WriteGxtString(chunk, doc.text(i));
        if (chunk.size() >= kChunk) {
            emit(chunk);
            chunk.clear();
        }
    }
    emit(chunk);
}

std::string BuildGxtImage(const GxtDocument& doc)
{
    const GxtLayout layout = ComputeGxtLayout(doc);
    std::string image;
    WriteGxtImage(doc, layout, [&image](std::string_view piece) { image.append(piece); });
    return image;
}

void ApplyGxtLayout(GxtDocument& doc, const GxtLayout& layout)
{
    doc.FileHeader = layout.FileHeader;
    doc.DataHeader = layout.DataHeader;
    for (size_t i = 0; i < doc.keys.size(); ++i)
        doc.keys[i].offset = layout.offsets[i];
}

SaveOutcome SaveGxtFile(GxtDocument& doc, const std::string& path, FileSystem& fs)
{
    GxtLayout layout;
    try {
        layout = ComputeGxtLayout(doc);
    } catch (const FileError& e) {
        throw e.about(path);
    }
    SaveOutcome outcome = ReplaceFileSafely(
        path, [&](const auto& emit) { WriteGxtImage(doc, layout, emit); }, BackupPolicy::KeepBackup, fs);
    ApplyGxtLayout(doc, layout);
    return outcome;
}

}  // namespace zarnik
