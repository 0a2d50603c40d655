#pragma once

#include "fileerror.h"
#include "safefile.h"

#include <cerrno>
#include <optional>

namespace zarnik::testing {

// The real file system, except that one chosen step fails as the system would make it
// fail. Running as root ignores permission bits, so this is how the tests provoke a
// backup that cannot be deleted, a folder that cannot be written, and so on.
class FaultyFileSystem : public FileSystem {
public:
    std::optional<FileStep> failStep;
    int failErrno = EACCES;
    int calls = 0;  // how many times the chosen step was attempted

    int createNew(const std::string& path) override
    {
        if (failStep == FileStep::CreateTemp)
            fail(FileStep::CreateTemp, path);
        return FileSystem::createNew(path);
    }
    void write(int fd, const std::string& path, std::string_view bytes) override
    {
        if (failStep == FileStep::Write && calls == 0) {
            // A real failed write leaves part of the data behind; so does this one.
            FileSystem::write(fd, path, bytes.substr(0, bytes.size() / 2));
            fail(FileStep::Write, path);
        }
        FileSystem::write(fd, path, bytes);
    }
    void removeFile(const std::string& path, int step) override
    {
        if (failStep && int(*failStep) == step && step != int(FileStep::Write)) fail(*failStep, path);
        FileSystem::removeFile(path, step);
    }
    void renameFile(const std::string& from, const std::string& to, int step) override
    {
        if (failStep && int(*failStep) == step) fail(*failStep, to);
        FileSystem::renameFile(from, to, step);
    }

private:
    // Fails once: whatever the code does to recover afterwards runs normally.
    void fail(FileStep step, const std::string& path)
    {
        if (calls++ > 0)
            return;
        throw FileError(step, path, failErrno);
    }
};

}  // namespace zarnik::testing
