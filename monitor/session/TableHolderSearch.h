#pragma once

#include "MonitorRules.h"

#include <QList>
#include <QObject>
#include <QString>

class TAdsConnection;
class TAdsQuery;
class TDataSetBase;

// Which connected users hold a table open: sp_mgGetUserTables once per user, on the
// monitor's own connection through a query of its own, one call per turn of the event loop,
// so that the window never waits longer than one call. A table matches when its name
// contains the text asked for, case ignored.
class TableHolderSearch : public QObject {
    Q_OBJECT
public:
    struct Holder {
        QString computer, login, application, lockType, table;
    };
    enum class Outcome { Done, Cancelled, Failed };

    TableHolderSearch(TAdsConnection *connection, QObject *parent = nullptr);

    // The users of a connected-users result (sp_mgGetUserTables names a user by computer and
    // login, without a connection number), each computer and login once, up to
    // ReadOutLimits; the cursor and what the controls show stay as they are.
    static QList<UserIdentity> usersOf(TDataSetBase &connectedUsers);
    // The users of these connections in one pass: each computer and login once, in the order
    // first seen, with the programs of its connections joined by ", ", each once. A program
    // counts as named when the list so far, split at ", ", holds it; an empty one adds nothing.
    static QList<UserIdentity> usersFrom(const QList<UserIdentity> &connections);

    // Starts afresh; a search still running is dropped. The first call comes on the next
    // turn of the event loop.
    void start(const QString &tableText, QList<UserIdentity> users);
    // Drops the search; calls already made stay made. Says finished(Cancelled) when one ran.
    void cancel();

    bool isRunning() const { return m_running; }
    QString tableText() const { return m_tableText; }
    int done() const { return m_next; }
    int total() const { return int(m_users.size()); }
    // The first holders found, as many as ReadOutLimits allow for all of them together.
    const QList<Holder> &holders() const { return m_holders; }
    // Every holder found, kept or not.
    qint64 found() const { return m_found; }
    // The users whose tables were more than ReadOutLimits allow and were read only that far.
    int usersReadInPart() const { return m_usersReadInPart; }
    // The failure's message after finished(Failed).
    QString failure() const { return m_failure; }

signals:
    void progressed();
    void finished(TableHolderSearch::Outcome outcome);

private:
    void scheduleStep();
    void step();
    void finish(Outcome outcome);
    void keep(Holder holder);

    TAdsConnection *m_connection;
    TAdsQuery *m_query;
    QString m_tableText;
    QList<UserIdentity> m_users;
    QList<Holder> m_holders;
    QString m_failure;
    qsizetype m_characters = 0; // of the holders kept
    qint64 m_found = 0;
    int m_usersReadInPart = 0;
    int m_next = 0;
    bool m_running = false;
    // Counts the searches started and dropped; a step of an older one does nothing.
    quint64 m_generation = 0;
};
