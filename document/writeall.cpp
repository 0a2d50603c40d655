#include "writeall.h"

#include "fileerror.h"

#include <cerrno>
#include <unistd.h>

namespace zarnik {

void WriteAll(int fd, std::string_view bytes, const std::string& name)
{
    const char* p = bytes.data();
    size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw FileError(FileStep::Write, name, errno);
        }
        p += n;
        left -= static_cast<size_t>(n);
    }
}

}  // namespace zarnik
