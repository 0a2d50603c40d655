// SPDX-License-Identifier: GPL-3.0-or-later
#include "searchhistory.h"

#include "files/fileerror.h"

#include <algorithm>
#include <cerrno>

namespace zarnik {

std::vector<std::string> ParseSearchHistory(std::string_view bytes, size_t maxItems)
{
    std::vector<std::string> items;
    size_t start = 0;
    for (size_t zero = bytes.find('\0'); zero != std::string_view::npos && items.size() < maxItems;
         zero = bytes.find('\0', start)) {
        if (zero > start)
            items.emplace_back(bytes.substr(start, zero - start));
        start = zero + 1;
    }
    return items;
}

std::string BuildSearchHistory(const std::vector<std::string>& items, int recCount)
{
    std::string out;
    const size_t count = recCount <= 0 ? 0 : std::min(items.size(), static_cast<size_t>(recCount));
    for (size_t i = 0; i < count; ++i) {
        out += items[i];
        out += '\0';
    }
    return out;
}

std::vector<std::string> LoadSearchHistory(const std::string& path, size_t maxItems)
{
    try {
        // Whole queries only: a piece's unfinished last query waits for the next piece.
        std::vector<std::string> items;
        std::string carry;
        ReadFileInPieces(path, [&](std::string_view piece) {
            const size_t lastZero = piece.rfind('\0');
            if (lastZero == std::string_view::npos) {
                carry.append(piece);
                return true;
            }
            carry.append(piece.substr(0, lastZero + 1));
            for (std::string& query : ParseSearchHistory(carry, maxItems - items.size()))
                items.push_back(std::move(query));
            carry.assign(piece.substr(lastZero + 1));
            return items.size() < maxItems;
        });
        return items;
    } catch (const FileError& e) {
        if (e.step() == FileStep::Open && e.sysError() == ENOENT)
            return {};
        throw;
    }
}

void SaveSearchHistory(const std::string& path, const std::vector<std::string>& items, int recCount,
                       FileSystem& fs)
{
    ReplaceFileSafely(path, BuildSearchHistory(items, recCount), BackupPolicy::None, fs);
}

}  // namespace zarnik
