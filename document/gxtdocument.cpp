#include "gxtdocument.h"

#include "fileerror.h"

#include <algorithm>
#include <cstring>

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

// Shared offsets are legal, but a small hostile file could make every key point at one
// huge string and balloon the texts far past anything a real file describes.
constexpr uint64_t kMaxTextsPerFileByte = 16;
constexpr uint64_t kTextAllowance = 1u << 20;

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
    // First find where the string ends and how many characters it makes, so the text is
    // allocated once and filled without per-character growth checks.
    uint64_t end = pos;
    size_t chars = 0;
    bool oddTail = false;
    while (end < size) {
        if (end + 1 >= size) {
            oddTail = true;  // a last byte without its high byte
            break;
        }
        const uint8_t low = bytes[end], high = bytes[end + 1];
        if (low == 0 && high == 0)
            break;
        chars += high != 0 ? 2 : 1;
        end += 2;
    }
    const bool tailChar = oddTail && bytes[end] != 0;
    Text text(chars + (tailChar ? 1 : 0), '\0');
    char* out = text.data();
    for (uint64_t p = pos; p < end; p += 2) {
        *out++ = static_cast<char>(bytes[p]);
        if (bytes[p + 1] != 0)
            *out++ = static_cast<char>(bytes[p + 1]);
    }
    if (tailChar)
        *out++ = static_cast<char>(bytes[end]);
    pos = oddTail ? size : std::min<uint64_t>(end + 2, size);
    return text;
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
    for (; i < n; ++i) {
        *p++ = text[i];
        *p++ = '\0';
    }
    *p++ = '\0';
    *p++ = '\0';
}

GxtDocument ParseGxt(std::string_view bytes, const std::string& name)
{
    const uint64_t size = bytes.size();
    GxtDocument doc;
    if (size < 14)
        throw FileError(FileStep::Damaged, name, 0, "file is shorter than its 14-byte header");
    std::memcpy(doc.FileHeader.data(), bytes.data(), 14);
    const uint64_t tableSize = readLe32(&doc.FileHeader[10]);
    if (14 + tableSize > size)
        throw FileError(FileStep::Damaged, name, 0, "key table runs past the end of the file");
    if (14 + tableSize + 8 > size)
        throw FileError(FileStep::Damaged, name, 0, "data header runs past the end of the file");

    const uint64_t count = tableSize / 12;  // a remainder is skipped
    doc.keys.resize(count);
    for (uint64_t i = 0; i < count; ++i) {
        const auto* rec = reinterpret_cast<const uint8_t*>(bytes.data()) + 14 + i * 12;
        doc.keys[i].offset = readLe32(rec);
        std::memcpy(doc.keys[i].name.data(), rec + 4, 8);
    }
    std::memcpy(doc.DataHeader.data(), bytes.data() + 14 + tableSize, 8);

    const uint64_t dataStart = 22 + tableSize;
    const uint64_t budget = size * kMaxTextsPerFileByte + kTextAllowance;
    uint64_t total = 0;
    doc.CurrentTexts.resize(count);
    for (uint64_t i = 0; i < count; ++i) {
        uint64_t pos = dataStart + doc.keys[i].offset;
        if (pos >= size)
            continue;  // points past the end: an empty text
        doc.CurrentTexts[i] = ReadGxtString(bytes, pos);
        total += doc.CurrentTexts[i].size();
        if (total > budget)
            throw FileError(FileStep::Damaged, name, 0, "strings overlap far beyond the file's size");
    }
    doc.LoadedTexts = doc.CurrentTexts;
    return doc;
}

GxtDocument LoadGxtFile(const std::string& path)
{
    const std::string bytes = ReadWholeFile(path);
    return ParseGxt(bytes, path);
}

namespace {

uint64_t encodedSize(const Text& t)
{
    const size_t n = t.size();
    return 2 * (n - (n > 2 && t[1] == '!' ? 1 : 0)) + 2;
}

}  // namespace

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
        dataSize += encodedSize(doc.CurrentTexts[i]);
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
    for (const Text& t : doc.CurrentTexts) {
        WriteGxtString(chunk, t);
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
        throw FileError(e.step(), path, e.sysError(), "string data exceeds 4 GiB");
    }
    SaveOutcome outcome = ReplaceFileSafely(
        path, [&](const auto& emit) { WriteGxtImage(doc, layout, emit); }, BackupPolicy::KeepBackup, fs);
    ApplyGxtLayout(doc, layout);
    return outcome;
}

}  // namespace zarnik
