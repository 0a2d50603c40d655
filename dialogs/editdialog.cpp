// SPDX-License-Identifier: GPL-3.0-or-later
#include "editdialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

namespace {
constexpr int kMinWidth = 430;
constexpr int kStartWidth = 500;
}  // namespace

EditDialog::EditDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("Правка строки"));

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    // Game texts can be long; the field must never cut one short without a word.
    Edit1->setMaxLength(std::numeric_limits<int>::max());

    Button1 = new QPushButton(QStringLiteral("Да"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    connect(Button1, &QPushButton::clicked, this, &EditDialog::accept);

    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    connect(Button2, &QPushButton::clicked, this, &EditDialog::reject);

    // Enter presses the button that has the focus, as on any dialog; from the text field
    // it presses "Да", the default one.
    Button1->setAutoDefault(true);
    Button2->setAutoDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    SourceEdit = new QLineEdit(this);
    SourceEdit->setObjectName(QStringLiteral("SourceEdit"));
    SourceEdit->setReadOnly(true);
    SourceEdit->setMaxLength(std::numeric_limits<int>::max());
    SourceEdit->setPlaceholderText(QStringLiteral("нет в исходном файле"));
    SourceEdit->setFocusPolicy(Qt::ClickFocus);  // Tab goes from the field to the buttons
    // On the dialog's own background, so that it does not look like a second field to type in.
    QPalette palette = SourceEdit->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Window));
    SourceEdit->setPalette(palette);
    SourceEdit->hide();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SourceEdit);
    layout->addWidget(Edit1);
    layout->addLayout(buttons);

    setMinimumWidth(std::max(kMinWidth, layout->minimumSize().width()));
    fitHeight();
    resize(kStartWidth, height());
    Edit1->setFocus();
}

// Only the width is the user's; the height is what the font needs, with no band of empty
// space under the buttons at any font size.
void EditDialog::fitHeight()
{
    layout()->invalidate();
    setFixedHeight(layout()->sizeHint().height());
}

void EditDialog::showSourceText(const QString& text, bool hasSource)
{
    SourceEdit->setText(hasSource ? text : QString());
    SourceEdit->setCursorPosition(0);
    SourceEdit->show();
    fitHeight();
}

void EditDialog::setText(const QString& text)
{
    Edit1->setText(text);
    Edit1->selectAll();
}

QString EditDialog::text() const
{
    return Edit1->text();
}

void EditDialog::accept()
{
    QString text = Edit1->text();
    text.replace(QChar(u'ё'), QChar(u'е'));
    text.replace(QChar(u'Ё'), QChar(u'Е'));
    if (text != Edit1->text())
        Edit1->setText(text);
    QDialog::accept();
}
