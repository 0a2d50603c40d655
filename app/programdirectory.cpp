// SPDX-License-Identifier: GPL-3.0-or-later
#include "programdirectory.h"

#include "platform.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {

QString withSeparator(const QString& dir)
{
    QString path = QDir::cleanPath(dir);
    if (!path.endsWith(QLatin1Char('/')))
        path += QLatin1Char('/');
    return path;
}

}  // namespace

ProgramDirectory::ProgramDirectory(const QString& dir)
    : path_(withSeparator(dir)), settingsPath_(path_)
{
}

ProgramDirectory::ProgramDirectory(const QString& dir, const QString& fallbackSettingsDir,
                                   const WritableProbe& probe)
    : ProgramDirectory(dir)
{
    if (exists() && !probe(path_))
        settingsPath_ = withSeparator(fallbackSettingsDir);
}

ProgramDirectory::ProgramDirectory(const QString& dataDir, const QString& settingsDir, Installed)
    : path_(withSeparator(dataDir)), settingsPath_(withSeparator(settingsDir))
{
}

ProgramDirectory ProgramDirectory::ofExecutable()
{
    return forExecutableIn(QCoreApplication::applicationDirPath(), platform::UserSettingsFolder());
}

QString ProgramDirectory::defaultBinToData()
{
#ifdef ZARNIK_BIN_TO_DATA
    return QStringLiteral(ZARNIK_BIN_TO_DATA);
#else
    return QStringLiteral("../share/zarnik");
#endif
}

ProgramDirectory ProgramDirectory::forExecutableIn(const QString& exeDir, const QString& userSettingsDir,
                                                   const QString& binToData)
{
    const QString bin = QDir::cleanPath(exeDir);
    const QString data = QDir::cleanPath(bin + QLatin1Char('/') + binToData);
    if (QFileInfo(bin).fileName() == QStringLiteral("bin") && QFileInfo(data).isDir())
        return ProgramDirectory(data, userSettingsDir, Installed{});
    return ProgramDirectory(exeDir, userSettingsDir);
}

bool ProgramDirectory::exists() const
{
    return QFileInfo(path_).isDir();
}

QString ProgramDirectory::settingsFileToRead(const QString& name) const
{
    const QString written = settingsFile(name);
    if (settingsInFallback() && !QFileInfo::exists(written) && QFileInfo::exists(file(name)))
        return file(name);
    return written;
}

bool ProgramDirectory::prepareSettingsFolder() const
{
    if (settingsInFallback())
        QDir().mkpath(settingsPath_);
    return QFileInfo(settingsPath_).isDir();
}

bool ProgramDirectory::canCreateFilesIn(const QString& dir)
{
    QTemporaryFile probe(withSeparator(dir) + QStringLiteral("zarnik-probe-XXXXXX"));
    return probe.open();  // removed again when `probe` goes
}
