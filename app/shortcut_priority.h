#pragma once
// The window's shortcuts work wherever the focus is. Left to themselves, the line edit, the text
// browser and the buttons claim keys such as Ctrl+E, Home, End, Escape or Space before any
// shortcut sees them; in this window those keys belong to the window's actions.

#include <QObject>

class QWidget;

class ShortcutPriority : public QObject {
public:
    // Watches the key events of the whole application, but acts only on those of window's own
    // widgets: a dialog or a menu keeps its keys.
    explicit ShortcutPriority(QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool isWindowShortcut(const QKeySequence& keys) const;

    QWidget* window;
};
