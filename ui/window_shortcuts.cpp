#include "ui/window_shortcuts.h"

#include <QKeyEvent>

QKeySequence ShortcutOf(WindowCommand command)
{
    for (const WindowShortcut &s : kWindowShortcuts) {
        if (s.command == command)
            return QKeySequence(s.keys);
    }
    return {};
}

bool IsWindowShortcut(const QKeyEvent *e)
{
    const QKeyCombination pressed(e->modifiers() & ~Qt::KeypadModifier, Qt::Key(e->key()));
    for (const WindowShortcut &s : kWindowShortcuts) {
        if (s.keys == pressed)
            return true;
    }
    return false;
}
