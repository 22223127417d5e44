#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <optional>

// One reading of a server for whoever watches many: the usage counters, the installation
// data and the connected users, each procedure run once on a connection of the reading's own.
// What a monitoring system makes of it (states, metrics) is the caller's.

// A procedure's answer as it came: every field of every row, as values (an invalid
// QVariant for null).
struct ProcedureAnswer {
    QString procedure;
    bool answered = false;
    QStringList columns;
    QList<QList<QVariant>> rows;
    qint64 rowCount = 0; // of the result; more than rows when it was read only in part
};

// A row of the usage counters; a count the answer lacks, or that is null or no whole
// number, is none.
struct ResourceUsage {
    QString name;
    std::optional<qint64> inUse;
    std::optional<qint64> maxUsed;
    std::optional<qint64> configured;
    std::optional<qint64> rejected;
};

struct ServerStatus {
    enum class Outcome {
        Read,        // all three procedures answered with the fields that are needed
        Unreachable, // nothing answers at the address, or the server said no
        TimedOut,    // no answer within the time allowed
        Failed,      // the engine failed otherwise (its number and words in error and text)
        Lacking,     // the server answered without what is needed (text says what)
    };
    QString connectPath;
    Outcome outcome = Outcome::Failed;
    quint32 error = 0;              // the engine's number, where it gave one
    QString text;                   // the engine's words, or what the answer lacked
    QList<ProcedureAnswer> answers; // usage, installation, users, as far as they came
    QList<ResourceUsage> resources;
    std::optional<qint64> connectedUsers;
    // From the installation data, where it holds them.
    QString version;
    QString owner;
    QString serialNumber;
    std::optional<QDate> installDate;
    std::optional<QDate> evalExpireDate;
    qint64 milliseconds = 0; // the whole reading
};

// Rows read of each answer at the most: a server that sends millions costs no more.
constexpr int MaxStatusRows = 10000;

// What a reading keeps of the connected users: every row (for whoever shows them), or only
// their count (a monitoring system's metrics; 10,000 users then cost no conversion).
enum class UserRows { All, CountOnly };

// Reads the server at a connect path ("\\server:port\share") on this thread, through a
// connection of its own: connecting gives up after the engine's time-out, each procedure
// after sqlTimeoutSeconds (at least one). Never raises.
ServerStatus readServerStatus(const QString &connectPath, quint32 sqlTimeoutSeconds,
                              UserRows userRows = UserRows::All);

// The outcome's name as machines read it: "read", "unreachable", "timedOut", "failed",
// "lacking".
QString outcomeName(ServerStatus::Outcome outcome);
