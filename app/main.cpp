// SPDX-License-Identifier: GPL-3.0-or-later
#include "mainwindow.h"
#include "platform.h"
#include "programdirectory.h"
#include "qtprompts.h"
#include "russianinterface.h"

#include <QApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    platform::IgnoreFileSizeSignal();

    if (platform::DisplayMissing(argc, argv)) {
        std::fprintf(stderr,
                     "zarnik: no display to open a window on (neither DISPLAY nor "
                     "WAYLAND_DISPLAY is set).\n"
                     "Start it from a desktop session, or under a virtual X server: "
                     "xvfb-run -a zarnik [file.gxt]\n");
        return 1;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Zarnik"));
    if (!InstallRussianInterface(app))
        std::fprintf(stderr, "zarnik: Qt's Russian translation (qtbase_ru.qm) is not installed; "
                             "Qt's own buttons and dialogs stay in English.\n");
    QtPrompts prompts;
    QStringList arguments = QApplication::arguments();
    arguments.removeFirst();
    MainWindow window(prompts, ProgramDirectory::ofExecutable(), arguments);
    window.show();
    return app.exec();
}
