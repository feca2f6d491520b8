#pragma once
// The main window's shortcuts, in one table: the menu gives them to its
// items, and the key routing lets them win over the focused control's own
// use of the key.
#include <QKeyCombination>
#include <QKeySequence>
#include <array>

class QKeyEvent;

enum class WindowCommand {
    Quit,    // "&Quitter" in the "Fichier" menu
    CopyName // "Copier le Nom" in the "Editer" menu
};

struct WindowShortcut
{
    WindowCommand command;
    QKeyCombination keys;
};

inline constexpr std::array<WindowShortcut, 2> kWindowShortcuts{{
    {WindowCommand::Quit, Qt::CTRL | Qt::Key_Q},
    {WindowCommand::CopyName, Qt::CTRL | Qt::Key_C},
}};

QKeySequence ShortcutOf(WindowCommand command);

// Whether the key press is one of the table's shortcuts (a key of the
// numeric keypad counts as the same key).
bool IsWindowShortcut(const QKeyEvent *e);
