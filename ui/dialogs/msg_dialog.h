#pragma once
// The program's modal message dialog and the error box.
#include <QFlags>
#include <QString>

enum class MsgKind { Warning, Error, Information, Confirmation, Plain };

// Buttons, a set of flags; they always stand in this order on screen.
enum class MsgButton : unsigned {
    None = 0,
    Yes = 1u << 0,
    No = 1u << 1,
    OK = 1u << 2,
    Cancel = 1u << 3,
    Abort = 1u << 4,
    Retry = 1u << 5,
    Ignore = 1u << 6,
    All = 1u << 7,
    NoToAll = 1u << 8,
    YesToAll = 1u << 9,
    Help = 1u << 10,
    Close = 1u << 11,
};
Q_DECLARE_FLAGS(MsgButtons, MsgButton)
Q_DECLARE_OPERATORS_FOR_FLAGS(MsgButtons)

enum class MsgResult : int {
    None = 0,
    Ok = 1,
    Cancel = 2,
    Abort = 3,
    Retry = 4,
    Ignore = 5,
    Yes = 6,
    No = 7,
    Close = 8,
    All = 12,
    NoToAll = 13,
    YesToAll = 14,
};

// Shows the dialog modally and returns the result of the button that ended it
// (the close box gives MsgResult::Cancel). defaultButton MsgButton::None: the
// usual choice.
// Object names, for tests and automation: the dialog "MessageDialog", its
// icon "MessageIcon", its text "MessageText", and each button by its flag's
// name ("Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore",
// "All", "NoToAll", "YesToAll", "Help", "Close"). Accessible names: the
// caption, the text, and each button's caption without "&".
MsgResult ShowMessageDialog(const QString &text, MsgKind kind, MsgButtons buttons,
                            MsgButton defaultButton = MsgButton::None);

// The caption of a kind ("Avertissement", ...; plain: ProgramTitle()) and of a
// button ("&Oui", ...).
QString MsgKindCaption(MsgKind kind);
QString MsgButtonCaption(MsgButton button);

// The error box for errors that escape a handler: modal, error icon, single
// OK, caption ProgramTitle(); a "." is appended when the message's last
// character has a code greater than that of ".". It keeps the desktop's look
// (Fusion) whatever style is applied; its object name is "ErrorBox".
void ShowErrorBox(const QString &message);
QString ErrorBoxText(const QString &message);
