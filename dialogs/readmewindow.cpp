// SPDX-License-Identifier: GPL-3.0-or-later
#include "readmewindow.h"

#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QVBoxLayout>

ReadmeWindow::ReadmeWindow(QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("TForm4"));
    setWindowTitle(QStringLiteral("Readme"));
    setSizeGripEnabled(false);  // the frame itself resizes; a grip would cover the text

    memo_ = new QPlainTextEdit(this);
    memo_->setObjectName(QStringLiteral("Memo1"));
    memo_->setReadOnly(true);
    memo_->setFrameShape(QFrame::NoFrame);
    // The help file lines up its tables with spaces.
    memo_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    memo_->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    memo_->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    memo_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    memo_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(1, 1, 1, 1);
    layout->setSpacing(0);
    layout->addWidget(memo_);
}

void ReadmeWindow::setLines(const QStringList& lines)
{
    // One piece rather than a paragraph per line: a long help file shows at once.
    memo_->setPlainText(lines.join(QLatin1Char('\n')));
}

void ReadmeWindow::placeOver(const QWidget* owner)
{
    if (!owner)
        return;
    const QRect area = owner->geometry();
    QRect mine(0, 0, qMax(area.width() - 200, 0), qMax(area.height() - 200, 0));
    mine.moveCenter(area.center());
    // Placed by hand, so Qt's own centring on show does not move it again.
    setGeometry(mine);
}
