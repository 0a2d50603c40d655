// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "files/fileerror.h"
#include "files/safefile.h"

#include <cerrno>
#include <functional>
#include <optional>
#include <cstdlib>

namespace zarnik::testing {

// The real file system, except that one chosen operation fails as the system would make
// it fail, or the process ends right before it as if killed. Running as root ignores
// permission bits, so this is how the tests provoke a backup that cannot be made, a
// folder that cannot be written, a save cut short between any two of its steps.
class FaultyFileSystem : public FileSystem {
public:
    // The first operation done for this step fails...
    std::optional<FileStep> failStep;
    // ...or the operation of this number (counting from 0, every operation that changes
    // something, best-effort ones included) fails...
    std::optional<int> failAt;
    // ...or the process ends with status kStopped right before it.
    std::optional<int> stopAt;
    static constexpr int kStopped = 77;

    int failErrno = EACCES;
    int calls = 0;    // how many times the chosen step was attempted
    int changes = 0;  // how many changing operations were attempted
    // Called after each temporary file is created, with its name.
    std::function<void(const std::string&)> onCreated;

    int createNew(const std::string& path, const FileStatus* like, FileStep step) override
    {
        check(step, path);
        const int fd = FileSystem::createNew(path, like, step);
        if (onCreated)
            onCreated(path);
        return fd;
    }
    int openExisting(const std::string& path, FileStep step) override
    {
        check(step, path);
        return FileSystem::openExisting(path, step);
    }
    void write(int fd, const std::string& path, std::string_view bytes, FileStep step) override
    {
        if (fails(step)) {
            // A real failed write leaves part of the data behind; so does this one.
            FileSystem::write(fd, path, bytes.substr(0, bytes.size() / 2), step);
            throw FileError(step, path, failErrno);
        }
        FileSystem::write(fd, path, bytes, step);
    }
    void finish(int fd, const std::string& path, FileStep step) override
    {
        if (fails(step)) {
            FileSystem::abandon(fd);
            throw FileError(step, path, failErrno);
        }
        FileSystem::finish(fd, path, step);
    }
    void hardLink(const std::string& from, const std::string& to, FileStep step) override
    {
        check(step, from);
        FileSystem::hardLink(from, to, step);
    }
    void copyFile(const std::string& from, const std::string& to, const FileStatus& like,
                  FileStep step) override
    {
        check(step, from);
        FileSystem::copyFile(from, to, like, step);
    }
    void removeFile(const std::string& path, FileStep step) override
    {
        check(step, path);
        FileSystem::removeFile(path, step);
    }
    void renameFile(const std::string& from, const std::string& to, FileStep step) override
    {
        check(step, to);
        FileSystem::renameFile(from, to, step);
    }
    void syncDirectory(const std::string& dir) override
    {
        if (!fails(std::nullopt))
            FileSystem::syncDirectory(dir);
    }

private:
    // Counts the operation; true when it is the one to fail (each fails once only, so
    // whatever the code does to recover afterwards runs normally).
    bool fails(std::optional<FileStep> step)
    {
        const int n = changes++;
        if (stopAt == n)
            std::_Exit(kStopped);
        if (failAt == n)
            return true;
        if (failStep && step == failStep && calls++ == 0)
            return true;
        return false;
    }
    void check(FileStep step, const std::string& path)
    {
        if (fails(step))
            throw FileError(step, path, failErrno);
    }
};

}  // namespace zarnik::testing
