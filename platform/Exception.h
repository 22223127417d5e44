#pragma once

#include <QByteArray>
#include <QString>
#include <exception>

// The common exception base: a message for the user and the class name that the
// fatal start-up report prints. Every exception the program raises derives from it.
class Exception : public std::exception {
public:
    explicit Exception(QString message = {}) : m_message(std::move(message)) {}

    const QString &message() const { return m_message; }
    void setMessage(QString message) { m_message = std::move(message); }

    virtual const char *className() const { return "Exception"; }
    const char *what() const noexcept override;

private:
    QString m_message;
    mutable QByteArray m_what;
};
