#include "qtprompts.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFontDialog>
#include <QMessageBox>

bool QtPrompts::message(QWidget* parent, MessageKind kind, const QString& caption,
                        const QString& text)
{
    QMessageBox box(parent);
    box.setWindowTitle(caption);
    box.setText(text);
    switch (kind) {
    case MessageKind::Confirm:
        box.setIcon(QMessageBox::Information);
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        box.setDefaultButton(QMessageBox::Ok);
        break;
    case MessageKind::Error: box.setIcon(QMessageBox::Critical); break;
    case MessageKind::Warning: box.setIcon(QMessageBox::Warning); break;
    case MessageKind::Information: box.setIcon(QMessageBox::Information); break;
    }
    return box.exec() == QMessageBox::Ok;
}

QString QtPrompts::openFileName(QWidget* parent, const QString& startDir)
{
    QFileDialog dialog(parent, QString(), startDir, QStringLiteral("GTA2 text files (*.gxt)"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("gxt"));
    dialog.setOption(QFileDialog::ReadOnly, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtPrompts::saveFileName(QWidget* parent, const QString& startDir)
{
    // A type without parentheses is its own pattern, so the list reads as written.
    QFileDialog dialog(parent, QString(), startDir, QStringLiteral("*.gxt;;Текст (*.txt)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("gxt"));
    // The second type's extension is added when the user picked it without typing one.
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        dialog.setDefaultSuffix(f.contains(QLatin1String("*.txt")) ? QStringLiteral("txt")
                                                                   : QStringLiteral("gxt"));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

QString QtPrompts::translationFileName(QWidget* parent, const QString& startDir, bool save)
{
    QFileDialog dialog(parent, QString(), startDir,
                       save ? QStringLiteral("Перевод PO (*.po);;Шаблон POT (*.pot);;Таблица TSV (*.tsv)")
                            : QStringLiteral("Перевод (*.po *.pot *.tsv)"));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (save) {
        dialog.setDefaultSuffix(QStringLiteral("po"));
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
            dialog.setDefaultSuffix(f.contains(QLatin1String("*.tsv"))   ? QStringLiteral("tsv")
                                    : f.contains(QLatin1String("*.pot")) ? QStringLiteral("pot")
                                                                         : QStringLiteral("po"));
        });
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

std::optional<FontChoice> QtPrompts::chooseFont(QWidget* parent, const FontChoice& initial)
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, initial.font, parent);
    if (!ok)
        return std::nullopt;
    FontChoice choice = initial;
    choice.font = font;
    // Qt's font dialog has no colour; offer the colour as a second step, as the effects
    // part of the Windows dialog does.
    const QColor color = QColorDialog::getColor(initial.color, parent);
    if (color.isValid())
        choice.color = color;
    return choice;
}

int QtPrompts::execDialog(QDialog* dialog)
{
    return dialog->exec();
}
