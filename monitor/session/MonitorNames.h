#pragma once

#include <QString>

// The server's system procedures the monitor calls and the columns it reads by name,
// written once.
namespace MonitorNames {

inline const QString UsageInfo = QStringLiteral("sp_mgGetUsageInfo");
inline const QString InstallInfo = QStringLiteral("sp_mgGetInstallInfo");
inline const QString ConnectedUsers = QStringLiteral("sp_mgGetConnectedUsers");
inline const QString UserTables = QStringLiteral("sp_mgGetUserTables");

// The statement that runs a procedure, with its arguments as written ("", ":usr").
inline QString executeSql(const QString &procedure, const QString &arguments = {})
{
    return QStringLiteral("EXECUTE PROCEDURE %1(%2);").arg(procedure, arguments);
}

// sp_mgGetUsageInfo
inline const QString ResourceName = QStringLiteral("ResourceName");
inline const QString InUse = QStringLiteral("InUse");
inline const QString MaxUsed = QStringLiteral("MaxUsed");
inline const QString Configured = QStringLiteral("Configured");
inline const QString Rejected = QStringLiteral("Rejected");

// sp_mgGetConnectedUsers
inline const QString UserName = QStringLiteral("UserName");
inline const QString OSUserLoginName = QStringLiteral("OSUserLoginName");
inline const QString ApplicationID = QStringLiteral("ApplicationID");
inline const QString ConnNumber = QStringLiteral("ConnNumber");

// sp_mgGetUserTables
inline const QString TableName = QStringLiteral("TableName");
inline const QString LockType = QStringLiteral("LockType");

} // namespace MonitorNames
