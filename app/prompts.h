// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fontchoice.h"

#include <QString>

#include <optional>

class QDialog;
class QWidget;

enum class MessageKind {
    Confirm,      // caption "Внимание", OK and Cancel, information icon
    Error,        // a runtime failure: caption "Zarnik", error icon, OK
    Warning,      // missing files and folders: caption "Ошибка", warning icon, OK
    Information,  // About and Info: the given caption, information icon, OK
};

// Everything the main window asks the user through a modal box or dialog. The real
// implementation shows Qt dialogs; tests script the answers and record what was asked.
class Prompts {
public:
    virtual ~Prompts() = default;

    // Returns true when the user answered OK (always true for boxes with only OK).
    virtual bool message(QWidget* parent, MessageKind kind, const QString& caption,
                         const QString& text) = 0;
    // An empty result means the dialog was cancelled. `caption` says what the file is for;
    // without one the dialog reads "Открыть".
    virtual QString openFileName(QWidget* parent, const QString& startDir, const QString& caption = {}) = 0;
    virtual QString saveFileName(QWidget* parent, const QString& startDir) = 0;
    // A translator's file (PO, POT or TSV) to write (`save`, "Экспорт перевода") or to read
    // ("Импорт перевода").
    virtual QString translationFileName(QWidget* parent, const QString& startDir, bool save) = 0;
    virtual std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial) = 0;
    // Runs a modal dialog and returns its result (QDialog::Accepted or Rejected).
    virtual int execDialog(QDialog* dialog) = 0;

    bool confirm(QWidget* parent, const QString& text)
    {
        return message(parent, MessageKind::Confirm, QStringLiteral("Внимание"), text);
    }
    // The error box of a failed command: the error's text ended with a full stop.
    void error(QWidget* parent, const QString& text)
    {
        message(parent, MessageKind::Error, QStringLiteral("Zarnik"),
                text.endsWith(QLatin1Char('.')) ? text : text + QLatin1Char('.'));
    }
    void warning(QWidget* parent, const QString& text)
    {
        message(parent, MessageKind::Warning, QStringLiteral("Ошибка"), text);
    }
    void information(QWidget* parent, const QString& caption, const QString& text)
    {
        message(parent, MessageKind::Information, caption, text);
    }
};
