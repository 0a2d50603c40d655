// SPDX-License-Identifier: GPL-3.0-or-later
#include "windowkeys.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QMenuBar>
#include <QWidget>

namespace {

struct FieldKey {
    QKeyCombination key;
    void (*edit)(QLineEdit&);
};
const FieldKey kFieldKeys[] = {
    {Qt::CTRL | Qt::Key_C, [](QLineEdit& f) { f.copy(); }},
    {Qt::CTRL | Qt::Key_Insert, [](QLineEdit& f) { f.copy(); }},
    {Qt::CTRL | Qt::Key_X, [](QLineEdit& f) { f.cut(); }},
    {Qt::SHIFT | Qt::Key_Delete, [](QLineEdit& f) { f.cut(); }},
    {Qt::CTRL | Qt::Key_V, [](QLineEdit& f) { f.paste(); }},
    {Qt::SHIFT | Qt::Key_Insert, [](QLineEdit& f) { f.paste(); }},
    {Qt::CTRL | Qt::Key_A, [](QLineEdit& f) { f.selectAll(); }},
    {Qt::CTRL | Qt::Key_Z, [](QLineEdit& f) { f.undo(); }},
    {Qt::CTRL | Qt::Key_Y, [](QLineEdit& f) { f.redo(); }},
};

QKeyCombination pressedKey(const QKeyEvent& key)
{
    return QKeyCombination(key.modifiers() & ~Qt::KeypadModifier, Qt::Key(key.key()));
}

}  // namespace

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

QLineEdit* WindowKeys::textField(QObject* object)
{
    if (auto* field = qobject_cast<QLineEdit*>(object))
        return field;
    auto* combo = qobject_cast<QComboBox*>(object);
    return combo ? combo->lineEdit() : nullptr;
}

bool WindowKeys::isCommandKey(const QKeyEvent& key) const
{
    const int k = key.key();
    if (k == 0 || k == Qt::Key_unknown || k == Qt::Key_Control || k == Qt::Key_Shift ||
        k == Qt::Key_Alt || k == Qt::Key_Meta)
        return false;
    const QKeySequence pressed(pressedKey(key));
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
    if (!isOwnWidget(watched) || qobject_cast<QMenuBar*>(watched))
        return false;
    auto* key = static_cast<QKeyEvent*>(event);

    if (QLineEdit* field = textField(watched)) {
        for (const FieldKey& f : kFieldKeys) {
            if (f.key != pressedKey(*key))
                continue;
            // Claimed from the shortcuts, then done here rather than by the field, which
            // knows Ctrl+Y as redo only on Windows.
            if (type == QEvent::ShortcutOverride)
                key->accept();
            else
                f.edit(*field);
            return true;
        }
    }

    if (isCommandKey(*key)) {
        // Left unclaimed, the override lets the shortcut system give the key to the action.
        // A key press itself gets here only when the action did not take the key, because
        // it is disabled: then the key is dropped rather than handed to the control.
        if (type == QEvent::ShortcutOverride)
            key->ignore();
        return true;
    }

    if (type == QEvent::KeyPress && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        && enterHandler_)
        return enterHandler_(static_cast<QWidget*>(watched), key->modifiers());
    return false;
}
