// SPDX-License-Identifier: GPL-3.0-or-later
// Saves a picture of one X window as PNG, for the published screenshot of the editor.
//   screenshot WINDOW-ID FILE.png
// Waits until two pictures a moment apart agree (the window has settled its size and
// painted), and fails when it never does or shows one colour only.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QSet>
#include <QThread>

#include <cstdio>

int main(int argc, char** argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = QGuiApplication::arguments();
    bool ok = false;
    const WId id = args.size() == 3 ? args[1].toULongLong(&ok) : 0;
    if (!ok) {
        std::fprintf(stderr, "usage: screenshot WINDOW-ID FILE.png\n");
        return 2;
    }
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage image = screen->grabWindow(id).toImage();
    for (int attempt = 0; attempt < 20; ++attempt) {
        QThread::msleep(400);
        const QImage again = screen->grabWindow(id).toImage();
        if (again == image)
            break;
        image = again;
    }
    if (image.isNull()) {
        std::fprintf(stderr, "screenshot: window %llu could not be grabbed\n", static_cast<unsigned long long>(id));
        return 1;
    }
    QSet<QRgb> colours;
    for (int y = 0; y < image.height() && colours.size() < 2; y += 7)
        for (int x = 0; x < image.width() && colours.size() < 2; x += 7)
            colours.insert(image.pixel(x, y));
    if (colours.size() < 2) {
        std::fprintf(stderr, "screenshot: window %llu shows nothing yet\n", static_cast<unsigned long long>(id));
        return 1;
    }
    if (!image.save(args[2], "PNG")) {
        std::fprintf(stderr, "screenshot: cannot write %s\n", qPrintable(args[2]));
        return 1;
    }
    std::printf("%dx%d\n", image.width(), image.height());
    return 0;
}
