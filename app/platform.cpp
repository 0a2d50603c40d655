// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace platform {

std::string CorePath(const QString& path)
{
#ifdef _WIN32
    return path.toStdString();  // QFile::encodeName would give the ANSI code page
#else
    return QFile::encodeName(path).toStdString();
#endif
}

QString UserSettingsFolder()
{
#ifdef _WIN32
    // Roaming application data, where Windows programs keep what follows the user around.
    const QString appData = QDir::fromNativeSeparators(qEnvironmentVariable("APPDATA"));
    if (!appData.isEmpty())
        return appData + QStringLiteral("/Zarnik");
#endif
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/zarnik");
}

void IgnoreFileSizeSignal()
{
#ifdef SIGXFSZ
    std::signal(SIGXFSZ, SIG_IGN);
#endif
}

bool DisplayMissing(int argc, char** argv)
{
#if defined(_WIN32) || defined(__APPLE__)
    (void)argc;
    (void)argv;
    return false;
#else
    if (std::getenv("QT_QPA_PLATFORM") || std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY"))
        return false;
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "-platform") == 0)
            return false;
    return true;
#endif
}

}  // namespace platform
