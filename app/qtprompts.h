// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "prompts.h"

class QtPrompts : public Prompts {
public:
    bool message(QWidget* parent, MessageKind kind, const QString& caption,
                 const QString& text) override;
    QString openFileName(QWidget* parent, const QString& startDir, const QString& caption) override;
    QString saveFileName(QWidget* parent, const QString& startDir) override;
    QString translationFileName(QWidget* parent, const QString& startDir, bool save) override;
    std::optional<FontChoice> chooseFont(QWidget* parent, const FontChoice& initial) override;
    int execDialog(QDialog* dialog) override;
};
