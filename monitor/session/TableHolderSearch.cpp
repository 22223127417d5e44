#include "TableHolderSearch.h"

#include "DataSetWalk.h"
#include "Exception.h"
#include "MonitorNames.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>
#include <QTimer>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(TableHolderSearch)
};

} // namespace

TableHolderSearch::TableHolderSearch(TAdsConnection *connection, QObject *parent)
    : QObject(parent), m_connection(connection), m_query(new TAdsQuery(this))
{
    m_query->setObjectName(QStringLiteral("qTableHolders"));
    m_query->setAdsConnection(connection);
    m_query->setSQL({MonitorNames::executeSql(MonitorNames::UserTables, QStringLiteral(":usr"))});
}

QList<UserIdentity> TableHolderSearch::usersOf(TDataSetBase &connectedUsers)
{
    QList<UserIdentity> connections;
    const TField *computer = connectedUsers.FindField(MonitorNames::UserName);
    const TField *login = connectedUsers.FindField(MonitorNames::OSUserLoginName);
    const TField *application = connectedUsers.FindField(MonitorNames::ApplicationID);
    const auto text = [](const TField *field) { return field ? field->AsString() : QString(); };
    forEachRecord(connectedUsers, ReadOutLimits::Characters,
                  [&](qsizetype left) -> std::optional<qsizetype> {
                      UserIdentity user{text(computer), text(login), text(application), {}};
                      const qsizetype characters =
                          user.computer.size() + user.login.size() + user.application.size();
                      if (characters > left)
                          return std::nullopt;
                      connections.append(std::move(user));
                      return characters;
                  });
    return usersFrom(connections);
}

QList<UserIdentity> TableHolderSearch::usersFrom(const QList<UserIdentity> &connections)
{
    const QString separator = QStringLiteral(", ");
    QList<UserIdentity> users;
    // Per user, what its list of programs split at the separator holds: looking a program up
    // there costs the same however many the user runs, where splitting the list again for
    // each connection grew with the square of them.
    QList<QSet<QString>> named;
    QHash<QString, qsizetype> index;
    for (const UserIdentity &connection : connections) {
        const QString key = connection.computer + QLatin1Char('\\') + connection.login;
        const auto found = index.constFind(key);
        if (found == index.constEnd()) {
            index.insert(key, users.size());
            users.append(connection);
            const QStringList parts = connection.application.split(separator);
            named.append(QSet<QString>(parts.begin(), parts.end()));
            continue;
        }
        const QString &program = connection.application;
        QSet<QString> &programs = named[*found];
        if (program.isEmpty() || programs.contains(program))
            continue;
        QString &list = users[*found].application;
        if (!list.isEmpty())
            list += separator;
        list += program;
        for (const QString &part : program.split(separator))
            programs.insert(part);
    }
    return users;
}

void TableHolderSearch::start(const QString &tableText, QList<UserIdentity> users)
{
    cancel();
    m_tableText = tableText;
    m_users = std::move(users);
    m_holders.clear();
    m_characters = 0;
    m_found = 0;
    m_usersReadInPart = 0;
    m_failure.clear();
    m_next = 0;
    m_running = true;
    emit progressed();
    scheduleStep();
}

void TableHolderSearch::cancel()
{
    ++m_generation;
    if (m_running)
        finish(Outcome::Cancelled);
}

void TableHolderSearch::scheduleStep()
{
    QTimer::singleShot(0, this, [this, generation = m_generation] {
        if (generation == m_generation && m_running)
            step();
    });
}

void TableHolderSearch::step()
{
    if (m_next >= m_users.size()) {
        finish(Outcome::Done);
        return;
    }
    try {
        // Closing the window or another server cancels first; nothing connects anew here.
        if (!m_connection->IsConnected())
            throw EDataAccessError(Texts::tr("Die Verbindung zum Server ist getrennt"));
        const UserIdentity &user = m_users[m_next];
        m_query->Close();
        m_query->Params()[0].setAsString(user.computer + QLatin1Char('\\') + user.login);
        m_query->Open();
        const TField *table = m_query->FindField(MonitorNames::TableName);
        const TField *lock = m_query->FindField(MonitorNames::LockType);
        // One user's tables are read as far as a copy would read them, so that one turn of
        // the event loop reads no more whatever the server sends.
        qsizetype read = 0;
        for (int row = 0; table && !m_query->Eof() && row < ReadOutLimits::Rows &&
                          read <= ReadOutLimits::Characters;
             ++row) {
            const QString name = table->AsString();
            read += name.size();
            if (name.contains(m_tableText, Qt::CaseInsensitive))
                keep({user.computer, user.login, user.application,
                      lock ? lock->AsString() : QString(), name});
            m_query->Next();
        }
        if (table && !m_query->Eof())
            ++m_usersReadInPart;
        m_query->Close();
    } catch (const std::exception &error) {
        m_failure = Exception::messageOf(error);
        try {
            m_query->Close();
        } catch (...) {
            // The failure above is the one to tell.
        }
        finish(Outcome::Failed);
        return;
    }
    ++m_next;
    emit progressed();
    if (m_next >= m_users.size())
        finish(Outcome::Done);
    else
        scheduleStep();
}

void TableHolderSearch::keep(Holder holder)
{
    // The first ones found, up to the limits: once one is left out, so are all after it.
    ++m_found;
    const qsizetype characters = holder.computer.size() + holder.login.size() +
                                 holder.application.size() + holder.lockType.size() +
                                 holder.table.size();
    if (m_found > m_holders.size() + 1 || m_holders.size() >= ReadOutLimits::Rows ||
        characters > ReadOutLimits::Characters - m_characters)
        return;
    m_characters += characters;
    m_holders.append(std::move(holder));
}

void TableHolderSearch::finish(Outcome outcome)
{
    m_running = false;
    ++m_generation;
    emit finished(outcome);
}
