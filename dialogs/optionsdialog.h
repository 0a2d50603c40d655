// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "fontchoice.h"

#include <QDialog>

#include <functional>
#include <optional>

class QCheckBox;
class QLabel;
class QPushButton;
class QSpinBox;

// "Настройки": the list font and the options. Works on copies: nothing reaches the
// caller unless it reads them back after the dialog was accepted.
class OptionsDialog : public QDialog {
    Q_OBJECT
public:
    // What the dialog shows and changes; the caller gives every value.
    struct Options {
        bool autoSize;
        bool useGrid;
        bool changeDir;
        int recCount;
    };
    using Font = FontChoice;
    // Asks the user for a font, starting from `current`; nullopt when cancelled.
    using FontPicker = std::function<std::optional<Font>(QWidget* parent, const Font& current)>;

    static constexpr int MaxRecCount = 100;

    OptionsDialog(const Options& options, const Font& font, FontPicker pickFont,
                  QWidget* parent = nullptr);

    // What the controls hold now.
    Options options() const;
    // The font chosen so far (the one given, until a font is picked).
    const Font& workingFont() const { return working_; }

    void setVisible(bool visible) override;

private:
    void pickFont();
    void showWorkingFont();

    Font working_;
    FontPicker pickFont_;
    QCheckBox* autoSize_ = nullptr;
    QCheckBox* useGrid_ = nullptr;
    QCheckBox* changeDir_ = nullptr;
    QSpinBox* recCount_ = nullptr;
    QPushButton* fontButton_ = nullptr;
};
