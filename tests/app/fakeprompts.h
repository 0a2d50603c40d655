// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompts.h"

#include <QDialog>
#include <QList>
#include <QStringList>

#include <functional>

// Scripted answers for the window tests, and a record of everything that was asked.
class FakePrompts : public Prompts {
public:
    struct Asked {
        MessageKind kind;
        QString caption;
        QString text;
    };
    QList<Asked> asked;
    QList<bool> confirmAnswers;  // taken in order; OK when the list runs out
    QStringList openNames;       // taken in order; cancel when the list runs out
    QStringList saveNames;
    QStringList translationNames;  // taken in order; cancel when the list runs out
    QList<std::optional<FontChoice>> fontAnswers;
    // Runs instead of a modal dialog; gets the dialog fully set up. Rejects by default.
    std::function<int(QDialog*)> dialogHandler;
    int dialogsRun = 0;

    bool message(QWidget*, MessageKind kind, const QString& caption, const QString& text) override
    {
        asked.append({kind, caption, text});
        if (kind != MessageKind::Confirm)
            return true;
        return confirmAnswers.isEmpty() ? true : confirmAnswers.takeFirst();
    }
    QString openFileName(QWidget*, const QString& startDir, const QString& caption) override
    {
        lastStartDir = startDir;
        openCaptions.append(caption);
        return openNames.isEmpty() ? QString() : openNames.takeFirst();
    }
    QString saveFileName(QWidget*, const QString& startDir) override
    {
        lastStartDir = startDir;
        return saveNames.isEmpty() ? QString() : saveNames.takeFirst();
    }
    QString translationFileName(QWidget*, const QString& startDir, bool) override
    {
        lastStartDir = startDir;
        return translationNames.isEmpty() ? QString() : translationNames.takeFirst();
    }
    std::optional<FontChoice> chooseFont(QWidget*, const FontChoice&) override
    {
        return fontAnswers.isEmpty() ? std::nullopt : fontAnswers.takeFirst();
    }
    int execDialog(QDialog* dialog) override
    {
        ++dialogsRun;
        return dialogHandler ? dialogHandler(dialog) : int(QDialog::Rejected);
    }

    QStringList texts(MessageKind kind) const
    {
        QStringList out;
        for (const Asked& a : asked)
            if (a.kind == kind)
                out.append(a.text);
        return out;
    }

    QString lastStartDir;
    QStringList openCaptions;  // of every open dialog asked for, in order
};
