#pragma once
// The program's modal message dialog and the error box.
#include <QString>

enum class MsgKind { Warning, Error, Information, Confirmation, Plain };

// Buttons, a set of flags; they always stand in this order on screen.
enum MsgButton : unsigned {
    mbNone = 0,
    mbYes = 1u << 0,
    mbNo = 1u << 1,
    mbOK = 1u << 2,
    mbCancel = 1u << 3,
    mbAbort = 1u << 4,
    mbRetry = 1u << 5,
    mbIgnore = 1u << 6,
    mbAll = 1u << 7,
    mbNoToAll = 1u << 8,
    mbYesToAll = 1u << 9,
    mbHelp = 1u << 10,
    mbClose = 1u << 11,
};
using MsgButtons = unsigned;

enum MsgResult : int {
    mrNone = 0,
    mrOk = 1,
    mrCancel = 2,
    mrAbort = 3,
    mrRetry = 4,
    mrIgnore = 5,
    mrYes = 6,
    mrNo = 7,
    mrClose = 8,
    mrAll = 12,
    mrNoToAll = 13,
    mrYesToAll = 14,
};

// Shows the dialog modally and returns the result of the button that ended it
// (the close box gives mrCancel). defaultButton mbNone: the usual choice.
// Object names, for tests and automation: the dialog "MessageDialog", its
// icon "MessageIcon", its text "MessageText", and each button by its flag's
// name without "mb" ("Yes", "No", "OK", "Cancel", "Abort", "Retry", "Ignore",
// "All", "NoToAll", "YesToAll", "Help", "Close"). Accessible names: the
// caption, the text, and each button's caption without "&".
int ShowMessageDialog(const QString &text, MsgKind kind, MsgButtons buttons,
                      MsgButton defaultButton = mbNone);

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
