// SPDX-License-Identifier: GPL-3.0-or-later
#include "qtprompts.h"

#include <QColorDialog>
#include <QDialog>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QFontDialog>
#include <QHeaderView>
#include <QIdentityProxyModel>
#include <QLocale>
#include <QMessageBox>
#include <QTreeView>

namespace {

// Qt's own file dialog writes sizes and dates in the system's locale, English on most
// desktops, while everything else speaks Russian: these are written in the program's.
class RussianFileDetails : public QIdentityProxyModel {
public:
    using QIdentityProxyModel::QIdentityProxyModel;

    QVariant data(const QModelIndex& index, int role) const override
    {
        const auto* files = static_cast<const QFileSystemModel*>(sourceModel());
        const QModelIndex file = mapToSource(index);
        if (role == Qt::DisplayRole && index.column() == kSize && !files->isDir(file))
            return QLocale().formattedDataSize(files->size(file), 1, QLocale::DataSizeTraditionalFormat);
        if (role == Qt::DisplayRole && index.column() == kModified)
            return QLocale().toString(files->lastModified(file), QLocale::ShortFormat);
        return QIdentityProxyModel::data(index, role);
    }

private:
    static constexpr int kSize = 1;
    static constexpr int kModified = 3;
};

// Qt's own dialog (the one used where the desktop offers none) in Russian, its detail
// columns as wide as what they show. A native dialog has no views and is left alone.
void speakRussian(QFileDialog& dialog)
{
    auto* details = dialog.findChild<QTreeView*>();
    if (!details)
        return;
    dialog.setProxyModel(new RussianFileDetails(&dialog));
    auto* files = static_cast<QFileSystemModel*>(dialog.proxyModel()->sourceModel());
    QObject::connect(files, &QFileSystemModel::directoryLoaded, details, [details] {
        for (int column = 1; column < details->header()->count(); ++column)
            details->resizeColumnToContents(column);
    });
}

}  // namespace

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

QString QtPrompts::openFileName(QWidget* parent, const QString& startDir, const QString& caption)
{
    QFileDialog dialog(parent, caption, startDir, QStringLiteral("GTA2 text files (*.gxt)"));
    speakRussian(dialog);
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
    speakRussian(dialog);
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
    QFileDialog dialog(parent, save ? QStringLiteral("Экспорт перевода") : QStringLiteral("Импорт перевода"), startDir,
                       save ? QStringLiteral("Перевод PO (*.po);;Шаблон POT (*.pot);;Таблица TSV (*.tsv)")
                            : QStringLiteral("Перевод (*.po *.pot *.tsv)"));
    speakRussian(dialog);
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
