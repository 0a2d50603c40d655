#pragma once

#include <QString>

// The folder the program keeps its files in (settings, search history, readme): the
// executable's folder in real use, a temporary folder in tests.
class ProgramDirectory {
public:
    explicit ProgramDirectory(const QString& dir);
    static ProgramDirectory ofExecutable();

    // With a trailing separator.
    const QString& path() const { return path_; }
    QString file(const QString& name) const { return path_ + name; }
    bool exists() const;

private:
    QString path_;
};
