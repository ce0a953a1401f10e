#include "app/shortcut_priority.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QWidget>

ShortcutPriority::ShortcutPriority(QWidget* window) : QObject(window), window(window)
{
    qApp->installEventFilter(this);
}

bool ShortcutPriority::isWindowShortcut(const QKeySequence& keys) const
{
    const QList<QAction*> actions = window->findChildren<QAction*>();
    return std::any_of(actions.begin(), actions.end(), [&keys](const QAction* action) {
        return action->isEnabled() && action->shortcutContext() != Qt::WidgetShortcut &&
               action->shortcuts().contains(keys);
    });
}

// Before a key press reaches its shortcut, the focus widget is asked (ShortcutOverride) whether it
// wants the key itself. For the window's shortcuts that question is kept from the widget, so the
// shortcut goes ahead.
bool ShortcutPriority::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::ShortcutOverride || !watched->isWidgetType())
        return false;
    if (static_cast<QWidget*>(watched)->window() != window)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
    // Keys such as "+" come with Shift on most keyboards, while the shortcut names only the key.
    const bool ours =
        isWindowShortcut(QKeySequence(QKeyCombination(modifiers, Qt::Key(key->key())))) ||
        ((modifiers & Qt::ShiftModifier) &&
         isWindowShortcut(
             QKeySequence(QKeyCombination(modifiers & ~Qt::ShiftModifier, Qt::Key(key->key())))));
    if (!ours)
        return false;
    event->ignore();
    return true;
}
