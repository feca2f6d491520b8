#pragma once
// Answering real modal dialogs from tests: a timer waits for the active modal
// widget, then acts on it with real key or mouse events. A dialog that never
// comes makes the test fail instead of hanging it.
#include <QAbstractButton>
#include <QApplication>
#include <QDeadlineTimer>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace modal {

struct Outcome
{
    bool seen = false;   // a modal dialog appeared and the action ran
    QString windowTitle; // its caption
};

// Polls every 10 ms for QApplication::activeModalWidget() (other than
// `except`) and runs `action` on it once. Returns a handle that tells
// whether it ran.
inline std::shared_ptr<Outcome> onNextModal(std::function<void(QWidget *)> action,
                                            int timeoutMs = 5000, QWidget *except = nullptr)
{
    auto outcome = std::make_shared<Outcome>();
    auto deadline = std::make_shared<QDeadlineTimer>(timeoutMs);
    auto timer = new QTimer;
    timer->setInterval(10);
    QPointer<QWidget> skip = except;
    QObject::connect(timer, &QTimer::timeout, [=]() {
        QWidget *w = QApplication::activeModalWidget();
        if (w && w != skip.data() && w->isVisible()) {
            timer->stop();
            timer->deleteLater();
            outcome->seen = true;
            outcome->windowTitle = w->windowTitle();
            action(w);
            return;
        }
        if (deadline->hasExpired()) {
            timer->stop();
            timer->deleteLater();
        }
    });
    timer->start();
    return outcome;
}

// Finds a button by its caption without "&".
inline QAbstractButton *findButton(QWidget *dialog, const QString &caption)
{
    const auto buttons = dialog->findChildren<QAbstractButton *>();
    for (QAbstractButton *b : buttons) {
        QString t = b->text();
        t.remove(QLatin1Char('&'));
        if (t == caption)
            return b;
    }
    return nullptr;
}

inline std::shared_ptr<Outcome> pressKey(Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier,
                                         int timeoutMs = 5000)
{
    return onNextModal(
        [=](QWidget *w) {
            QWidget *target = w->focusWidget() ? w->focusWidget() : w;
            QTest::keyClick(target, key, mods);
        },
        timeoutMs);
}

inline std::shared_ptr<Outcome> clickButton(const QString &caption, int timeoutMs = 5000)
{
    return onNextModal(
        [=](QWidget *w) {
            if (QAbstractButton *b = findButton(w, caption))
                QTest::mouseClick(b, Qt::LeftButton);
            else
                w->close(); // leave the test able to fail rather than hang
        },
        timeoutMs);
}

} // namespace modal
