// SPDX-License-Identifier: GPL-3.0-or-later
// The "Справка" menu and the Info box: read-only views that change nothing.

#include "mainwindow.h"
#include "platform.h"

#include "text/encodingdetect.h"
#include "text/lines.h"
#include "qcp1251.h"
#include "readmewindow.h"
#include "files/safefile.h"

#include <QFile>
#include <QFileInfo>

namespace {

// The help file is Windows-1251 text.
QStringList splitCp1251Lines(std::string_view bytes)
{
    QStringList lines;
    for (std::string_view line : zarnik::SplitLines(bytes))
        lines.append(Cp1251ToQString(line));
    return lines;
}

// The names users know the encodings by.
QString encodingCaption(zarnik::Encoding encoding)
{
    switch (encoding) {
    case zarnik::Encoding::Buka: return QStringLiteral("Бука");
    case zarnik::Encoding::Pirate: return QStringLiteral("Пиратка");
    case zarnik::Encoding::Windows1251: return QStringLiteral("Windows-1251");
    case zarnik::Encoding::Mixed: return QStringLiteral("смешанная");
    case zarnik::Encoding::None: break;
    }
    return QStringLiteral("нет кириллицы");
}

}  // namespace

void MainWindow::ShowReadme()
{
    const QString path = programDirectory_.file(QStringLiteral("Readme.txt"));
    if (!QFileInfo::exists(path)) {
        prompts_.warning(this, QStringLiteral("Файл Readme.txt не найден"));
        return;
    }
    QStringList lines;
    try {
        // Read whole before the window opens, so a failed read shows no half-filled window.
        lines = splitCp1251Lines(zarnik::ReadWholeFile(platform::CorePath(path)));
    } catch (const std::exception& e) {
        showFileError(e);
        return;
    }
    ReadmeWindow window(this);
    window.placeOver(this);
    window.setLines(lines);
    prompts_.execDialog(&window);
}

void MainWindow::ShowAbout()
{
    const QStringList lines = {
        QStringLiteral("Zarnik 1.0"),
        QStringLiteral("Автор — команда Zarnik"),
        QStringLiteral("02.07.2008"),
        QStringLiteral("Почта: team@zarnik.example"),
        QStringLiteral("Сайт: www.zarnik.example"),
        QStringLiteral("Сделано в России."),
        QString(),
        QStringLiteral("Скачано с www.zarnik.example"),
        QStringLiteral("Наш форум forum.zarnik.example"),
    };
    prompts_.information(this, QStringLiteral("О программе"), lines.join(QLatin1Char('\n')));
}

void MainWindow::ShowInfo()
{
    // A zero language byte leaves the language empty but must not end the box there.
    const zarnik::GxtDocument& doc = session_.document();
    const char letter = doc.languageLetter();
    const QString language = letter ? Cp1251ToQString(std::string_view(&letter, 1)) : QString();
    const QStringList lines = {
        QStringLiteral("Язык: ") + language,
        QStringLiteral("Кол-во строк: %1").arg(doc.Count()),
        QStringLiteral("Размер идов: %1").arg(doc.keyTableSize()),
        QStringLiteral("Размер строк: %1").arg(doc.dataSize()),
        QStringLiteral("Кодировка: ") + encodingCaption(zarnik::DetectEncoding(doc).encoding),
    };
    prompts_.information(this, QStringLiteral("Информация"), lines.join(QLatin1Char('\n')));
}
