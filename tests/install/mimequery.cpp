// SPDX-License-Identifier: GPL-3.0-or-later
// Prints the MIME type the shared-mime-info database (as found through XDG_DATA_DIRS)
// gives each file, the way a file manager asks for it: by name and content together.
//   mimequery FILE...
#include <QCoreApplication>
#include <QMimeDatabase>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QMimeDatabase db;
    for (const QString& file : QCoreApplication::arguments().mid(1))
        std::printf("%s\n", qPrintable(db.mimeTypeForFile(file).name()));
    return 0;
}
