#include "windowkeys.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QMenuBar>
#include <QWidget>

WindowKeys::WindowKeys(QWidget* window, EnterHandler enterHandler)
    : QObject(window), window_(window), enterHandler_(std::move(enterHandler))
{
    qApp->installEventFilter(this);
}

bool WindowKeys::isOwnWidget(QObject* object) const
{
    if (!object->isWidgetType())
        return false;
    auto* widget = static_cast<QWidget*>(object);
    return widget == window_ || widget->window() == window_;
}

bool WindowKeys::isCommandKey(const QKeyEvent& key) const
{
    const int k = key.key();
    if (k == 0 || k == Qt::Key_unknown || k == Qt::Key_Control || k == Qt::Key_Shift ||
        k == Qt::Key_Alt || k == Qt::Key_Meta)
        return false;
    const QKeySequence pressed(QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(k)));
    for (const QAction* action : window_->actions()) {
        if (action->shortcuts().contains(pressed))
            return true;
    }
    return false;
}

bool WindowKeys::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::ShortcutOverride && type != QEvent::KeyPress)
        return false;
    if (!isOwnWidget(watched))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);

    if (isCommandKey(*key)) {
        // Left unclaimed, the override lets the shortcut system give the key to the action.
        // A key press itself gets here only when the action did not take the key, because
        // it is disabled: then the key is dropped rather than handed to the control.
        if (type == QEvent::ShortcutOverride)
            key->ignore();
        return true;
    }

    // Enter in a menu bar navigated by keyboard (Alt, then arrows) opens the highlighted
    // menu; it is not the window's Enter.
    if (type == QEvent::KeyPress && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && enterHandler_ && !qobject_cast<QMenuBar*>(watched))
        return enterHandler_(static_cast<QWidget*>(watched), key->modifiers());
    return false;
}
