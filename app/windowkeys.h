#pragma once

#include <QObject>

#include <functional>

class QKeyEvent;
class QWidget;

// The window's keys come before its controls, as a Windows form with key preview has them:
//  - a key that is the shortcut of one of the window's actions never reaches the focused
//    control. Qt lets a line edit claim Ctrl+C, Ctrl+V, Ctrl+Z, Ctrl+Del and the like for
//    itself; here the action keeps them, and when the action is disabled the key does
//    nothing at all;
//  - Enter goes to `enterHandler` first, which returns true when it has used the key;
//    not while the menu bar has the keyboard.
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
    // Whether the key is the shortcut of one of the window's actions, enabled or not.
    bool isCommandKey(const QKeyEvent& key) const;

    QWidget* window_;
    EnterHandler enterHandler_;
};
