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

    // The message of any exception: ours carry theirs, others their what() in the locale's
    // encoding.
    static QString messageOf(const std::exception &error);

private:
    QString m_message;
    mutable QByteArray m_what;
};

// A failure the operating system reports by code, such as a library or function that
// cannot be bound: "Externe Exception C06D007E".
class EExternalException : public Exception {
public:
    explicit EExternalException(quint32 code);

    quint32 code() const { return m_code; }
    const char *className() const override { return "EExternalException"; }

private:
    quint32 m_code;
};

// The codes a delay-loaded binding reports.
constexpr quint32 DelayLoadModuleNotFound = 0xC06D007E;
constexpr quint32 DelayLoadProcNotFound = 0xC06D007F;
