#pragma once
// Helpers of the dialog tests: a dialog's buttons in screen order, and a
// dialog shown with an action run on it once it is up.
#include "modal_helper.h"
#include "ui/dialogs/msg_dialog.h"

#include <QPushButton>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

namespace dialogs {

// The dialog's buttons, left to right.
inline QList<QPushButton *> buttonsInRow(QWidget *dialog)
{
    QList<QPushButton *> buttons = dialog->findChildren<QPushButton *>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton *a, QPushButton *b) { return a->x() < b->x(); });
    return buttons;
}

inline QStringList captions(const QList<QPushButton *> &buttons)
{
    QStringList out;
    for (QPushButton *b : buttons)
        out << b->text();
    return out;
}

// Answers the next modal dialog with `action`; a failed check inside it
// leaves the dialog open, so it is closed shortly after rather than hanging.
inline std::shared_ptr<modal::Outcome> answerNext(const std::function<void(QWidget *)> &action)
{
    return modal::onNextModal([action](QWidget *w) {
        action(w);
        QTimer::singleShot(2000, w, [w] {
            if (w->isVisible())
                w->close();
        });
    });
}

// Shows a dialog, runs `action` on it once it is up, and returns the result.
inline int showAndAct(const std::function<MsgResult()> &show,
                      const std::function<void(QWidget *)> &action)
{
    auto outcome = answerNext(action);
    const int result = int(show());
    if (!outcome->seen)
        return -1000; // no dialog came
    return result;
}

inline const QString kDivider = u"---------------------------\r\n"_s;

} // namespace dialogs
