#pragma once

#include "safefile.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik {

// One record of the key table, as on disk: where the string starts (counted from the
// first byte after the data header) and the 8 name bytes, kept verbatim, leftovers after
// the terminating zero included.
struct KeyEntry {
    uint32_t offset = 0;
    std::array<char, 8> name{};

    // The name as the list shows it: up to the first zero byte.
    std::string shownName() const;
};

// A text is a byte string: one byte per character, read as Windows-1251 when shown.
using Text = std::string;

// The one open document. Entries are fixed by the loaded file; only texts change.
struct GxtDocument {
    std::array<uint8_t, 14> FileHeader{};
    std::vector<KeyEntry> keys;
    std::array<uint8_t, 8> DataHeader{};
    std::vector<Text> CurrentTexts;  // as edited, storage form
    std::vector<Text> LoadedTexts;   // as loaded; the restore commands go back to these

    uint32_t Count() const { return static_cast<uint32_t>(keys.size()); }
    char languageLetter() const { return static_cast<char>(FileHeader[3]); }
    uint32_t keyTableSize() const;  // FileHeader bytes 10-13
    uint32_t dataSize() const;      // DataHeader bytes 4-7
};

// Reads a whole .gxt file. Throws FileError when the file cannot be read or is too short
// for its own header, key table or data header; the caller's document is then untouched.
// Offsets past the end of the file give empty texts.
GxtDocument LoadGxtFile(const std::string& path);
// The same from bytes already in memory; `name` is used in error messages.
GxtDocument ParseGxt(std::string_view bytes, const std::string& name);

// What a save writes besides the texts: the header with the new key-table size, every
// entry's new offset, and the data header with the new data size. Throws FileError
// (TooLarge) when the texts do not fit the format's 32-bit sizes.
struct GxtLayout {
    std::array<uint8_t, 14> FileHeader{};
    std::vector<uint32_t> offsets;
    std::array<uint8_t, 8> DataHeader{};
};
GxtLayout ComputeGxtLayout(const GxtDocument& doc);
// Emits the file image piece by piece: header, key table, data header, then every text
// in key-table order, back to back.
void WriteGxtImage(const GxtDocument& doc, const GxtLayout& layout,
                   const std::function<void(std::string_view)>& emit);
// The whole image in memory.
std::string BuildGxtImage(const GxtDocument& doc);
// Puts a written layout's sizes and offsets into the document.
void ApplyGxtLayout(GxtDocument& doc, const GxtLayout& layout);

// Writes the document to `path` through a temporary file; the previous file becomes
// `path` + "_". A symbolic link is followed: the file it names is replaced, the link
// stays. A name that holds a pipe or a device is refused. Throws FileError naming the
// step that failed; then neither the document nor the file at `path` has changed.
SaveOutcome SaveGxtFile(GxtDocument& doc, const std::string& path, FileSystem& fs = RealFileSystem());

// The string codec of the format. `pos` is advanced past the string's terminator.
Text ReadGxtString(std::string_view file, uint64_t& pos);
void WriteGxtString(std::string& out, std::string_view text);

}  // namespace zarnik
