// SPDX-License-Identifier: GPL-3.0-or-later
#include "tempdir.h"

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace zarnik::testing {

namespace fs = std::filesystem;

fs::path NativePath(std::string_view utf8)
{
    return fs::path(std::u8string(utf8.begin(), utf8.end()));
}

std::string Utf8Path(const fs::path& path)
{
    const std::u8string s = path.generic_u8string();
    return std::string(s.begin(), s.end());
}

TempDir::TempDir()
{
    std::random_device seed;
    std::mt19937_64 random(seed());
    const fs::path base = fs::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const fs::path candidate = base / ("zarnik-test-" + std::to_string(random() % 1000000000));
        if (fs::create_directory(candidate)) {
            path_ = Utf8Path(candidate);
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder in " + Utf8Path(base));
}

TempDir::~TempDir()
{
    std::error_code ec;
    const fs::path root = NativePath(path_);
    // Tests may leave read-only folders and files behind; make them removable first.
    for (auto it = fs::recursive_directory_iterator(root, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::permissions(root, fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(root, ec);
}

std::string ReadFileBytes(const std::string& path)
{
    std::ifstream in(NativePath(path), std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

void WriteFileBytes(const std::string& path, std::string_view bytes)
{
    std::ofstream out(NativePath(path), std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

bool FileExists(const std::string& path)
{
    return fs::exists(fs::symlink_status(NativePath(path)));
}

}  // namespace zarnik::testing
