#include "MonitorRules.h"

#include <algorithm>
#include <climits>
#include <cmath>

int refreshPeriodMs(double seconds)
{
    // In the default rounding mode a half goes to the even neighbour: 2.5 gives 2.
    const double whole = std::nearbyint(seconds);
    // Written so that no number (NaN) stops the timer too.
    if (!(whole >= 1))
        return 0;
    const double milliseconds = whole * 1000.0;
    return milliseconds > double(INT_MAX) ? INT_MAX : int(milliseconds);
}

int selectedUserScanRows(int previousRecNo, qsizetype recordBytes)
{
    const qsizetype past = std::clamp<qsizetype>(
        CompareLimits::Bytes / std::max<qsizetype>(recordBytes, 1), 1, CompareLimits::Rows);
    const qint64 rows = qint64(std::max(previousRecNo, 0)) + past;
    return rows > INT_MAX ? INT_MAX : int(rows);
}

namespace {

bool hasComputerOrLogin(const UserIdentity &user)
{
    return !user.computer.isEmpty() || !user.login.isEmpty();
}

bool isWorkstations(const QString &value, const QString &workstations)
{
    return !workstations.isEmpty() && value.compare(workstations, Qt::CaseInsensitive) == 0;
}

} // namespace

ConnectedUsersScan::ConnectedUsersScan(std::optional<UserIdentity> selected, UserIdentity own,
                                       int selectedRows)
    : m_selected(std::move(selected)), m_workstation(std::move(own)), m_selectedRows(selectedRows)
{
}

void ConnectedUsersScan::take(const std::function<QString(QString UserIdentity::*)> &read)
{
    const int index = m_taken;
    if (m_taken < INT_MAX)
        ++m_taken;
    if (m_selected && m_sameConnection < 0 && index < m_selectedRows) {
        if (!m_selected->connection.isEmpty() &&
            read(&UserIdentity::connection) == m_selected->connection)
            m_sameConnection = index;
        else if (m_sameLogin < 0 && hasComputerOrLogin(*m_selected) &&
                 read(&UserIdentity::computer) == m_selected->computer &&
                 read(&UserIdentity::login) == m_selected->login)
            m_sameLogin = index;
    }
    if (m_own < 0 && isWorkstations(read(&UserIdentity::computer), m_workstation.computer) &&
        isWorkstations(read(&UserIdentity::login), m_workstation.login) &&
        isWorkstations(read(&UserIdentity::application), m_workstation.application))
        m_own = index;
}

bool ConnectedUsersScan::seeksSelected() const
{
    if (!m_selected || m_sameConnection >= 0 || m_taken >= m_selectedRows)
        return false;
    // Without a connection number the first row of the same login is the answer.
    if (m_selected->connection.isEmpty())
        return m_sameLogin < 0 && hasComputerOrLogin(*m_selected);
    return true;
}
