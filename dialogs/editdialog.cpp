#include "editdialog.h"

#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>

#include <limits>

namespace {
constexpr int kHeight = 103;
constexpr int kMinWidth = 430;
constexpr int kMargin = 8;
constexpr int kButtonTop = 40;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 25;
}  // namespace

EditDialog::EditDialog(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TForm2"));
    setWindowTitle(QStringLiteral("Правка строки"));
    setFixedHeight(kHeight);
    setMinimumWidth(kMinWidth);

    Edit1 = new QLineEdit(this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    // Game texts can be long; the field must never cut one short without a word.
    Edit1->setMaxLength(std::numeric_limits<int>::max());
    Edit1->setGeometry(kMargin, kMargin, kMinWidth - 30, Edit1->sizeHint().height());

    Button1 = new QPushButton(QStringLiteral("Да"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button1->setAutoDefault(true);
    connect(Button1, &QPushButton::clicked, this, &EditDialog::accept);

    Button2 = new QPushButton(QStringLiteral("Отмена"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    Button2->setAutoDefault(false);
    connect(Button2, &QPushButton::clicked, this, &EditDialog::reject);

    resize(kMinWidth, kHeight);
    Edit1->setFocus();
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

void EditDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    const int w = event->size().width();
    Edit1->resize(w - 30, Edit1->height());
    Button1->setGeometry(w - 182, kButtonTop, kButtonWidth, kButtonHeight);
    Button2->setGeometry(w - 94, kButtonTop, kButtonWidth, kButtonHeight);
}
