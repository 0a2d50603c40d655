// SPDX-License-Identifier: GPL-3.0-or-later
#include "optionsdialog.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int kDesignedWidth = 306;

// A count field in which anything that is not a number (an emptied field, a lone sign)
// counts as 0 rather than silently returning to the previous value.
class CountBox : public QSpinBox {
public:
    explicit CountBox(QWidget* parent) : QSpinBox(parent)
    {
        lineEdit()->setMaxLength(3);
    }

    void fixup(QString& input) const override
    {
        bool ok = false;
        input.trimmed().toInt(&ok);
        if (!ok)
            input = QStringLiteral("0");
        else
            QSpinBox::fixup(input);
    }
};

}  // namespace

OptionsDialog::OptionsDialog(const Options& options, const Font& font, FontPicker pickFont,
                             QWidget* parent)
    : QDialog(parent), working_(font), pickFont_(std::move(pickFont))
{
    setObjectName(QStringLiteral("TForm3"));
    setWindowTitle(QStringLiteral("Настройки"));
    // A fixed frame with the close box alone.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    auto checkBox = [this](const char* name, const QString& caption, bool checked) {
        auto* box = new QCheckBox(caption, this);
        box->setObjectName(QLatin1String(name));
        box->setChecked(checked);
        return box;
    };
    autoSize_ = checkBox("CheckBox1", QStringLiteral("Менять ширину панели под текст"),
                         options.autoSize);
    useGrid_ = checkBox("CheckBox2", QStringLiteral("Использовать сетку"), options.useGrid);
    changeDir_ = checkBox("CheckBox4", QStringLiteral("Переключать направление"),
                          options.changeDir);

    recCount_ = new CountBox(this);
    recCount_->setObjectName(QStringLiteral("SpinEdit1"));
    recCount_->setRange(0, MaxRecCount);
    recCount_->setValue(std::clamp(options.recCount, 0, MaxRecCount));
    auto* label = new QLabel(QStringLiteral("Кол-во последних запросов"), this);
    label->setObjectName(QStringLiteral("Label1"));
    label->setBuddy(recCount_);

    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QLatin1String(name));
        return b;
    };
    fontButton_ = button("Button1", QStringLiteral("Шрифт.."));
    QPushButton* yes = button("Button2", QStringLiteral("Да"));
    QPushButton* cancel = button("Button3", QStringLiteral("Отмена"));
    yes->setDefault(true);
    connect(fontButton_, &QPushButton::clicked, this, &OptionsDialog::pickFont);
    connect(yes, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* count = new QHBoxLayout;
    count->addWidget(recCount_);
    count->addWidget(label, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(fontButton_);
    buttons->addStretch(1);
    buttons->addWidget(yes);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(autoSize_);
    layout->addWidget(useGrid_);
    layout->addWidget(changeDir_);
    layout->addSpacing(layout->spacing());
    layout->addLayout(count);
    layout->addSpacing(2 * layout->spacing());
    layout->addLayout(buttons);
    // A fixed frame, as wide as it was designed at the least, and always as large as its
    // controls need in the font of the day (the font button shows the chosen list font).
    const QMargins m = layout->contentsMargins();
    layout->addStrut(kDesignedWidth - m.left() - m.right());
    layout->setSizeConstraint(QLayout::SetFixedSize);

    QWidget* const order[] = {autoSize_, fontButton_, yes, cancel, useGrid_, recCount_, changeDir_};
    for (size_t i = 0; i + 1 < std::size(order); ++i)
        setTabOrder(order[i], order[i + 1]);
    autoSize_->setFocus();

    showWorkingFont();
}

OptionsDialog::Options OptionsDialog::options() const
{
    Options o;
    o.autoSize = autoSize_->isChecked();
    o.useGrid = useGrid_->isChecked();
    o.changeDir = changeDir_->isChecked();
    // Text not yet taken in (typed, then confirmed with a click) counts as well.
    bool ok = false;
    const int typed = recCount_->cleanText().trimmed().toInt(&ok);
    o.recCount = ok ? std::clamp(typed, 0, MaxRecCount) : 0;
    return o;
}

void OptionsDialog::setVisible(bool visible)
{
    // Centred on the window that opened it, wherever that is on the screen.
    if (visible && parentWidget() && !testAttribute(Qt::WA_Moved)) {
        layout()->activate();  // the size the font asks for, before it is centred
        const QPoint centre = parentWidget()->window()->frameGeometry().center();
        move(centre - QPoint(width() / 2, height() / 2));
    }
    QDialog::setVisible(visible);
}

void OptionsDialog::pickFont()
{
    if (!pickFont_)
        return;
    if (std::optional<Font> chosen = pickFont_(this, working_)) {
        working_ = *chosen;
        showWorkingFont();
    }
}

void OptionsDialog::showWorkingFont()
{
    fontButton_->setFont(working_.font);
    QPalette pal = fontButton_->palette();
    pal.setColor(QPalette::ButtonText, working_.color);
    fontButton_->setPalette(pal);
}
