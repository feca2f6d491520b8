#pragma once
// The one error type of the program. Handlers do not catch it themselves:
// it travels up to the handler boundary and is shown in the error box.
#include <QString>
#include <exception>

class AppError : public std::exception
{
public:
    explicit AppError(QString message) : m_message(std::move(message)) { }
    const QString &message() const noexcept { return m_message; }
    const char *what() const noexcept override { return "AppError"; }

private:
    QString m_message;
};
