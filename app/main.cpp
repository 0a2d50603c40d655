#include "mainwindow.h"
#include "programdirectory.h"
#include "qtprompts.h"
#include "russianinterface.h"

#include <QApplication>

#include <csignal>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv)
{
    // A file-size limit should make a save fail with a message, not kill the editor.
    std::signal(SIGXFSZ, SIG_IGN);

    const bool platformChosen = std::getenv("QT_QPA_PLATFORM") != nullptr;
    const bool haveDisplay = std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
    bool platformArgument = false;
    for (int i = 1; i < argc; ++i)
        platformArgument = platformArgument || std::string(argv[i]) == "-platform";
    if (!platformChosen && !haveDisplay && !platformArgument) {
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
