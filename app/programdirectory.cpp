#include "programdirectory.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

ProgramDirectory::ProgramDirectory(const QString& dir) : path_(QDir::cleanPath(dir))
{
    if (!path_.endsWith(QLatin1Char('/')))
        path_ += QLatin1Char('/');
}

ProgramDirectory ProgramDirectory::ofExecutable()
{
    return ProgramDirectory(QCoreApplication::applicationDirPath());
}

bool ProgramDirectory::exists() const
{
    return QFileInfo(path_).isDir();
}
