// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

#include "files/fileerror.h"

#include <cerrno>
#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace zarnik::cli {

std::vector<std::string> Arguments(int argc, char** argv)
{
    return std::vector<std::string>(argv, argv + argc);
}

void WriteStandard(int stream, std::string_view text)
{
    const char* p = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(stream, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(FileStep::Write, stream == 2 ? "standard error" : "standard output", errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

bool SameFile(const std::string& a, const std::string& b)
{
    struct stat sa {}, sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 &&
           sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

bool IsStandardOutput(const std::string& path)
{
    struct stat so {}, sp {};
    return path == "-" || (::fstat(1, &so) == 0 && ::stat(path.c_str(), &sp) == 0 &&
                           so.st_dev == sp.st_dev && so.st_ino == sp.st_ino);
}

void IgnoreFileSizeSignal()
{
    std::signal(SIGXFSZ, SIG_IGN);
}

}  // namespace zarnik::cli
