// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QStringList>

class QPlainTextEdit;

// The help text beside the executable, shown read-only. It is given its lines: where
// they come from and how they are decoded is the main window's business.
class ReadmeWindow : public QDialog {
    Q_OBJECT
public:
    explicit ReadmeWindow(QWidget* owner = nullptr);

    // Replaces the shown text; an empty list leaves the window empty.
    void setLines(const QStringList& lines);
    QPlainTextEdit* memo() const { return memo_; }

    // 200 pixels narrower and lower than `owner`, and centred on it.
    void placeOver(const QWidget* owner);

private:
    QPlainTextEdit* memo_ = nullptr;
};
