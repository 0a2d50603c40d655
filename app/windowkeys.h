// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <functional>

class QKeyEvent;
class QLineEdit;
class QWidget;

// The window's keys come before its controls, as a Windows form with key preview has them:
//  - a key that is the shortcut of one of the window's actions never reaches the focused
//    control. Qt lets a line edit claim Ctrl+Del and the like for itself; here the action
//    keeps them, and when the action is disabled the key does nothing at all;
//  - but the text-editing keys (Ctrl+C, Ctrl+X, Ctrl+V, Ctrl+A, Ctrl+Z, Ctrl+Y, Shift+Ins,
//    Ctrl+Ins, Shift+Del) edit a focused text field, whatever the menu gives them: a user
//    pasting a query must not overwrite an entry. They act the same on every system;
//  - Enter goes to `enterHandler` first, which returns true when it has used the key;
//  - none of this while the menu bar has the keyboard: its keys (Esc first) are its own.
// Watches the whole application and acts only on keys meant for `window`'s own widgets,
// so dialogs and menus keep their usual keys.
class WindowKeys : public QObject {
    Q_OBJECT
public:
    using EnterHandler = std::function<bool(QWidget* target, Qt::KeyboardModifiers modifiers)>;
    WindowKeys(QWidget* window, EnterHandler enterHandler);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isOwnWidget(QObject* object) const;
    // The line edit of a focused text field (a line edit or an editable combo box), or null.
    static QLineEdit* textField(QObject* object);
    // Whether the key is the shortcut of one of the window's actions, enabled or not.
    bool isCommandKey(const QKeyEvent& key) const;

    QWidget* window_;
    EnterHandler enterHandler_;
};
