// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zarnik::testing {

// Builds .gxt images byte by byte, including the odd layouts real files have: shared
// strings, raw units, leftover name bytes, key-table remainders, stray trailing bytes.
class GxtBuilder {
public:
    explicit GxtBuilder(char language = 'E');

    // A key of up to 8 bytes (zero bytes inside are kept) with a text in storage form,
    // encoded as the editor writes it.
    GxtBuilder& add(std::string_view key, std::string_view text);
    // A key whose string is given as raw bytes, terminator included.
    GxtBuilder& addRaw(std::string_view key, std::string_view bytes);
    // A key that points at the string of an earlier entry.
    GxtBuilder& addShared(std::string_view key, size_t sameAs);
    // A key with an explicit offset (may point anywhere, even past the end).
    GxtBuilder& addAt(std::string_view key, uint32_t offset);

    GxtBuilder& keyTableSize(uint32_t size);       // declared size, default entries x 12
    GxtBuilder& keyTablePadding(std::string_view bytes);  // bytes after the records
    GxtBuilder& dataSize(uint32_t size);           // declared, default the real size
    GxtBuilder& gapBeforeStrings(std::string_view bytes);  // unreferenced bytes first
    GxtBuilder& trailing(std::string_view bytes);  // after the string data

    std::string build() const;

private:
    struct Entry {
        std::string key;
        std::optional<std::string> bytes;  // own string
        std::optional<size_t> sameAs;
        std::optional<uint32_t> offset;
    };
    char language_;
    std::vector<Entry> entries_;
    std::optional<uint32_t> keyTableSize_, dataSize_;
    std::string padding_, gap_, trailing_;
};

// A raw image whose keys (k0, k1, ...) point at `offsets` in `data`, however little sense
// that makes: for layouts the builder would not write.
std::string GxtImageOnOffsets(const std::vector<uint32_t>& offsets, std::string_view data, char language = 'R');

// Units of a text as the editor writes them (see WriteGxtString), for raw fixtures.
std::string EncodeUnits(std::string_view text);

// Texts in storage form, written in UTF-8 for readable tests.
std::string BukaText(std::string_view utf8);
std::string PirateText(std::string_view utf8);

// The bundled example file: a small GTA2-style Russian file in the Buka encoding with some
// Latin texts and markers. examples/sample.gxt is exactly these bytes.
std::string SampleGxtBytes();

}  // namespace zarnik::testing
