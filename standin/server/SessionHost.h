#pragma once

#include "Connection.h"
#include "Procedures.h"

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

struct Faults;
struct Scenario;
class ClientSession;

// What a client session may ask of the server that holds it.
class SessionHost {
public:
    virtual ~SessionHost() = default;

    virtual const Scenario &scenario() const = 0;
    virtual Faults &faults() = 0;
    virtual void log(const QString &line) = 0;

    // A greeted client; gives its connection number.
    virtual quint32 registerConnection(ConnectionInfo info) = 0;
    virtual void unregisterConnection(quint32 number) = 0;
    virtual void countRefusal() = 0;

    virtual ProcedureOutcome execute(const QString &sql,
                                     const std::vector<std::optional<QString>> &params) = 0;

    // Fault changes sent over the wire; an error text when they are not taken.
    virtual std::optional<QString> applyControl(const QByteArray &json) = 0;

    // The session's link is gone; the host deletes it when control is back in its loop.
    virtual void sessionClosed(ClientSession *session) = 0;
};
