// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/safefile.h"

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
//
// The texts as loaded are decoded once into one block of memory and never change; an
// entry's current text is its loaded one until it is edited, and only an edited text has
// bytes of its own. Entries that share a string in the file (the same offset, or one
// pointing into another's string) share its decoded bytes too, so the loaded texts never
// take more memory than twice the string data they came from (once for the strings at even
// positions, once for those at odd ones), however many keys point into it.
class GxtDocument {
public:
    std::array<uint8_t, 14> FileHeader{};
    std::vector<KeyEntry> keys;
    std::array<uint8_t, 8> DataHeader{};

    GxtDocument() = default;
    GxtDocument(const GxtDocument& other);
    GxtDocument& operator=(const GxtDocument& other);
    GxtDocument(GxtDocument&&) noexcept = default;
    GxtDocument& operator=(GxtDocument&&) noexcept = default;

    uint32_t Count() const { return static_cast<uint32_t>(keys.size()); }
    char languageLetter() const { return static_cast<char>(FileHeader[3]); }
    uint32_t keyTableSize() const;  // FileHeader bytes 10-13
    uint32_t dataSize() const;      // DataHeader bytes 4-7

    // Entry i's text as edited, in storage form (the bytes that go into the file). The view
    // stays valid until entry i is changed or the document is replaced.
    std::string_view text(size_t i) const
    {
        return edit_.empty() || edit_[i] == 0 ? loadedText(i) : std::string_view(edited_[edit_[i] - 1]);
    }
    // Entry i's text exactly as loaded; saving does not change it.
    std::string_view loadedText(size_t i) const
    {
        return std::string_view(block_.data + loaded_[i].begin, loaded_[i].size);
    }
    // Whether entry i holds a text of its own rather than its loaded one.
    bool hasOwnText(size_t i) const { return !edit_.empty() && edit_[i] != 0; }

    void setText(size_t i, Text text);
    // Puts `text` into entry i and hands back what the entry held (the undo history's step).
    void swapText(size_t i, Text& text);
    // Entry i, or every entry, back to the text as loaded.
    void restoreText(size_t i);
    void restoreAllTexts();

    // Makes `texts` the loaded and current texts of the entries in `keys`, one each.
    void setLoadedTexts(const std::vector<Text>& texts);
    // Copies, for checks and tests.
    std::vector<Text> currentTexts() const;
    std::vector<Text> loadedTexts() const;
    // The bytes of text held in memory: the loaded block and every edited text.
    uint64_t textBytesHeld() const;

private:
    friend GxtDocument LoadGxtFile(const std::string& path);
    friend GxtDocument ParseGxt(std::string_view bytes, const std::string& name);

    // Memory from malloc, so that the block a file was read into can be shrunk in place
    // to the texts decoded over it.
    struct Block {
        char* data = nullptr;
        uint64_t size = 0;
        Block() = default;
        Block(const Block& other);
        Block& operator=(const Block& other);
        Block(Block&& other) noexcept;
        Block& operator=(Block&& other) noexcept;
        ~Block();
        void resize(uint64_t n);
    };
    // Files beyond 4 GiB are refused, so 32 bits address every loaded text.
    struct Span {
        uint32_t begin = 0;
        uint32_t size = 0;
    };
    // Takes the file's bytes and decodes the texts over them.
    static GxtDocument parse(Block&& bytes, const std::string& name);
    static Block readFile(const std::string& path);

    Block block_;
    std::vector<Span> loaded_;       // one per entry, into block_
    std::vector<uint32_t> edit_;     // one per entry once anything is edited: 0, or slot + 1
    std::vector<Text> edited_;       // the texts of their own, by slot
    std::vector<uint32_t> freeSlots_;
};

// Reads a whole .gxt file. Throws FileError when the file cannot be read or is too short
// for its own header, key table or data header; the caller's document is then untouched.
// Offsets past the end of the file give empty texts. Whatever the file holds, loading never
// takes more than four times the file's size in memory, and the document keeps less: at
// most twice its string data for the texts, and 20 bytes for every 12-byte key. Files
// larger than 4 GiB are refused (FileError, TooLarge), as the format cannot address them.
GxtDocument LoadGxtFile(const std::string& path);
// The same from bytes already in memory; `name` is used in error messages.
GxtDocument ParseGxt(std::string_view bytes, const std::string& name);

// What a save writes besides the texts: the header with the new key-table size, every
// entry's new offset, and the data header with the new data size. Throws FileError
// (TooLarge) when the texts do not fit the format's 32-bit sizes, and (UnstorableText,
// the key in `detail`) when a text holds a zero byte the format cannot store.
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
// A zero byte is written together with the byte after it, as one unit, so that the text
// reads back as it was; a zero byte that no other follows cannot be stored at all.
void WriteGxtString(std::string& out, std::string_view text);
// The bytes WriteGxtString writes for `text`, or 0 when the text cannot be stored.
uint64_t EncodedGxtSize(std::string_view text);

}  // namespace zarnik
