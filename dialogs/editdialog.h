// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

// "Правка строки": one line of display text to change. It knows nothing of the document;
// the caller puts the text in and takes it out again.
class EditDialog : public QDialog {
    Q_OBJECT
public:
    explicit EditDialog(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const;
    // The source file's text for the entry, shown above the field to read and copy from;
    // `hasSource` false says the source lacks the entry. Not shown unless asked for.
    void showSourceText(const QString& text, bool hasSource);

public slots:
    // "Да": the encodings have no "ё", so it becomes "е" before the text is handed back.
    void accept() override;

private:
    void fitHeight();

    QLineEdit* Edit1 = nullptr;
    QLineEdit* SourceEdit = nullptr;
    QPushButton* Button1 = nullptr;
    QPushButton* Button2 = nullptr;
};
