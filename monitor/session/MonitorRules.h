#pragma once

#include <QString>
#include <QtGlobal>
#include <climits>
#include <functional>
#include <optional>

// The monitor's rules that users notice, kept apart from its window so that they can be
// tried on plain rows: how often it refreshes, which row is which after a refresh, and
// when a refresh shows that it is busy.

// The period between automatic refreshes, in milliseconds, for the spin edit's value in
// seconds: whole seconds, a half going to the even neighbour, at most what 32 bits of
// milliseconds hold; 0 (no automatic refresh) below one second and for no number at all.
int refreshPeriodMs(double seconds);

// A refresh that has taken longer than this is noticed: it shows the wait cursor from
// then on, and the refresh after it from its start, as it will likely take as long.
inline constexpr qint64 NoticedRefreshMs = 200;
constexpr bool isNoticed(qint64 milliseconds)
{
    return milliseconds > NoticedRefreshMs;
}

// How much of a list a refresh compares with the one before: the change marks record at
// most this many rows and bytes of records, and the selected user is looked for at most
// this far past the row it was on. A list of millions of rows, or of 1 MiB records, costs a
// refresh no more than that.
struct CompareLimits {
    static constexpr int Rows = 10000;
    static constexpr qsizetype Bytes = 16 * 1024 * 1024;
};

// How many rows of the connected users a refresh reads at most to find the selected user
// again: down to the row the user was on (1 for the first, 0 for none), and as many rows
// past it as CompareLimits allow for records of that size, at least one.
int selectedUserScanRows(int previousRecNo, qsizetype recordBytes);

// Who a connection is: the computer, the login and the program, and the connection's number
// on the server. One row of the connected users (a field the server's answer lacks reads as
// empty), the monitor itself (no number), a user the table-holder search asks about.
struct UserIdentity {
    QString computer;     // UserName
    QString login;        // OSUserLoginName
    QString application;  // ApplicationID
    QString connection{}; // ConnNumber; none for the monitor itself and a searched user

    bool operator==(const UserIdentity &) const = default;
};

// Finds, in one pass over the connected users in list order, the rows a refresh needs:
// - the user the cursor was on before it: the first row of the same connection number,
//   else the first of the same computer and login (compared exactly);
// - the monitor's own connection: the first row whose computer, login and program are the
//   workstation's, compared without case; an empty name of the workstation matches nothing.
// Rows are indexed from 0 in the order they are taken; -1 is none (the cursor then goes
// to the first row). The selected user is looked for in the first selectedRows rows only.
class ConnectedUsersScan {
public:
    // selected: the user the cursor was on; none when the list was empty or closed.
    ConnectedUsersScan(std::optional<UserIdentity> selected, UserIdentity own,
                       int selectedRows = INT_MAX);

    // Takes the next row, whose values read(&UserIdentity::login) and the like give: a value
    // is read only when a rule needs it, as reading every field of a long list costs.
    void take(const std::function<QString(QString UserIdentity::*value)> &read);
    void take(const UserIdentity &row)
    {
        take([&row](QString UserIdentity::*value) { return row.*value; });
    }
    // Whether a later row could still change selectedRow().
    bool seeksSelected() const;
    // Whether a later row could still change either answer: once false, it stays so, and
    // the remaining rows need not be read.
    bool needsRows() const { return seeksSelected() || m_own < 0; }

    int selectedRow() const { return m_sameConnection >= 0 ? m_sameConnection : m_sameLogin; }
    int ownRow() const { return m_own; }

private:
    std::optional<UserIdentity> m_selected;
    UserIdentity m_workstation;
    int m_selectedRows;
    int m_taken = 0;
    int m_sameConnection = -1;
    int m_sameLogin = -1;
    int m_own = -1;
};
