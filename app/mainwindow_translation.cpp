// SPDX-License-Identifier: GPL-3.0-or-later
// "Экспорт перевода.." and "Импорт перевода..": the texts out to a translator's PO, POT or
// TSV file in the language mode in force, and a translated file back in as one change
// that one undo takes back.
#include "mainwindow.h"

#include "format/gxtdocument.h"
#include "text/encodingdetect.h"
#include "platform.h"
#include "translation/translation.h"

#include <QFile>
#include <QFileInfo>

namespace {

std::string localPath(const QString& path)
{
    return platform::CorePath(path);
}

}  // namespace

void MainWindow::ExportTranslation()
{
    const QString folder = QFileInfo(DocumentPath).absolutePath();
    const QString chosen = prompts_.translationFileName(this, folder, true);
    if (chosen.isEmpty())
        return;
    const auto format = zarnik::TranslationFormatFor(localPath(chosen));
    if (!format) {
        prompts_.warning(this, QStringLiteral("Файл «%1» не сохранён: перевод сохраняется в формате "
                                              ".po, .pot или .tsv")
                                   .arg(QFileInfo(chosen).fileName()));
        return;
    }
    std::optional<zarnik::GxtDocument> source;
    int sourceMode = LanguageMode;
    if (*format != zarnik::TranslationFormat::Tsv &&
        prompts_.confirm(this, QStringLiteral("Показать переводчику исходный текст из другого файла "
                                              ".gxt (например, английского)?"))) {
        const QString sourceName =
            prompts_.openFileName(this, folder, QStringLiteral("Исходный текст для переводчика: файл .gxt"));
        if (!sourceName.isEmpty()) {
            try {
                source = zarnik::LoadGxtFile(localPath(sourceName));
                // The source is another file: an English one read in the mode in force
                // would show its apostrophes as Cyrillic letters.
                sourceMode = zarnik::ModeForEncoding(zarnik::DetectEncoding(*source).encoding);
            } catch (const std::exception& e) {
                showFileError(e);
                return;
            }
        }
    }
    zarnik::SourceComparison comparison;
    try {
        comparison = zarnik::ExportTranslation(document(), LanguageMode, source ? &*source : nullptr,
                                               sourceMode, localPath(chosen), *format);
    } catch (const zarnik::TranslationError& e) {
        prompts_.error(this, QString::fromStdString(e.russianMessage()));
        return;
    } catch (const std::exception& e) {
        showFileError(e);
        return;
    }
    QString status = QStringLiteral("Перевод экспортирован");
    if (!comparison.onlyInFile.empty() || !comparison.onlyInSource.empty())
        status += QStringLiteral(" (ключей только в этом файле: %1, только в исходном: %2)")
                      .arg(comparison.onlyInFile.size())
                      .arg(comparison.onlyInSource.size());
    SetStatus(2, status);
}

void MainWindow::ImportTranslation()
{
    const QString chosen = prompts_.translationFileName(this, QFileInfo(DocumentPath).absolutePath(), false);
    if (chosen.isEmpty())
        return;
    zarnik::ApplyResult result;
    try {
        const zarnik::Translation tr = zarnik::ReadTranslationFile(localPath(chosen));
        // The file's own mode, when it names one: its texts were written for that mode.
        const int mode = zarnik::TranslationMode(tr, std::nullopt, LanguageMode);
        result = zarnik::ApplyTranslation(document(), tr, mode, false);
    } catch (const zarnik::TranslationError& e) {
        prompts_.error(this, QStringLiteral("Перевод не импортирован, строки не изменены:\n") + QString::fromStdString(e.russianMessage()));
        return;
    } catch (const std::exception& e) {
        showFileError(e);
        return;
    }
    const size_t changed = result.changes.size();
    session_.setTexts(std::move(result.changes));
    SetStatus(2, QStringLiteral("Перевод импортирован, строк изменено: %1").arg(changed));
}
