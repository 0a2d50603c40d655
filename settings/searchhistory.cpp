#include "searchhistory.h"

#include "fileerror.h"

#include <algorithm>
#include <cerrno>

namespace zarnik {

std::vector<std::string> ParseSearchHistory(std::string_view bytes)
{
    std::vector<std::string> items;
    size_t start = 0;
    for (size_t zero = bytes.find('\0'); zero != std::string_view::npos;
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

std::vector<std::string> LoadSearchHistory(const std::string& path)
{
    try {
        return ParseSearchHistory(ReadWholeFile(path));
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
