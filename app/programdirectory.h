// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>

// The folder the program keeps its files in: the executable's folder for a copy run from
// its build folder or from a folder a user unpacked, share/zarnik for an installed copy, a
// temporary folder in tests. Readme.txt is always read from there. Settings.ini and
// LastSearched.ini are kept there too, unless the copy is installed or the folder cannot
// be written; then they go to the user's configuration folder, and the Settings.ini of
// the program's folder only gives the first start its defaults.
class ProgramDirectory {
public:
    // Tells whether the program may create files in an existing folder.
    using WritableProbe = std::function<bool(const QString& dir)>;

    // Settings kept in `dir` itself.
    explicit ProgramDirectory(const QString& dir);
    // Settings kept in `dir` when it is missing or `probe` says it can be written, else in
    // `fallbackSettingsDir`, which is created when the settings are first written.
    ProgramDirectory(const QString& dir, const QString& fallbackSettingsDir,
                     const WritableProbe& probe = canCreateFilesIn);
    static ProgramDirectory ofExecutable();
    // An executable in `exeDir` counts as installed when that folder is a `bin` with the
    // program's data folder (`binToData`, relative to it) beside it: a package, or
    // `cmake --install` to any prefix. Writability cannot tell, since root can write /usr/bin.
    static ProgramDirectory forExecutableIn(const QString& exeDir, const QString& userSettingsDir,
                                            const QString& binToData = defaultBinToData());
    // The data folder as seen from the executable's folder in the installed layout.
    static QString defaultBinToData();

    // With a trailing separator.
    const QString& path() const { return path_; }
    QString file(const QString& name) const { return path_ + name; }
    bool exists() const;

    // Where Settings.ini and LastSearched.ini are written; with a trailing separator.
    const QString& settingsPath() const { return settingsPath_; }
    QString settingsFile(const QString& name) const { return settingsPath_ + name; }
    bool settingsInFallback() const { return settingsPath_ != path_; }
    // The file to read a setting file from: the written one, or before the first save in
    // the fallback folder, the one that came with the program (its defaults).
    QString settingsFileToRead(const QString& name) const;
    // Whether the settings folder is there to be written to. The fallback folder is
    // created here; the program's own folder is not: its absence means it was removed.
    bool prepareSettingsFolder() const;

    // Tries to create and remove a file, which also catches read-only mounts and ACLs
    // that permission bits do not show.
    static bool canCreateFilesIn(const QString& dir);

private:
    struct Installed {};
    ProgramDirectory(const QString& dataDir, const QString& settingsDir, Installed);

    QString path_;
    QString settingsPath_;
};
