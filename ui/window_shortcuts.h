#pragma once
// The main window's shortcuts, in one table: the menu gives them to its
// items, the window to its own commands, and the key routing lets them win
// over the focused control's own use of the key.
#include <QKeyCombination>
#include <QKeySequence>
#include <array>

class QKeyEvent;

enum class WindowCommand {
    Quit,       // "&Quitter" in the "Fichier" menu
    CopyName,   // "Copier le Nom" in the "Editer" menu
    OpenCisFile // the file dialog that leads to the import; no menu item
};

struct WindowShortcut
{
    WindowCommand command;
    QKeyCombination keys;
};

inline constexpr std::array<WindowShortcut, 3> kWindowShortcuts{{
    {WindowCommand::Quit, Qt::CTRL | Qt::Key_Q},
    {WindowCommand::CopyName, Qt::CTRL | Qt::Key_C},
    {WindowCommand::OpenCisFile, Qt::CTRL | Qt::Key_O},
}};

QKeySequence ShortcutOf(WindowCommand command);

// Whether the key press is one of the table's shortcuts (a key of the
// numeric keypad counts as the same key).
bool IsWindowShortcut(const QKeyEvent *e);
