#include "ServerStatus.h"

#include "AceCodes.h"
#include "Exception.h"
#include "FieldKinds.h"
#include "MonitorNames.h"
#include "adscnnct.h"
#include "adstable.h"

#include <algorithm>
#include <chrono>
#include <memory>

namespace {

ServerStatus::Outcome outcomeOfEngine(quint32 error)
{
    switch (error) {
    case acecode::ServerUnreachable:
    case acecode::ConnectionRefused:
        return ServerStatus::Outcome::Unreachable;
    case acecode::TimedOut:
        return ServerStatus::Outcome::TimedOut;
    default:
        return ServerStatus::Outcome::Failed;
    }
}

// A whole number from a value, when it is one.
std::optional<qint64> countOf(const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return std::nullopt;
    return wholeNumberOf(value);
}

// Reads one procedure's answer, up to maxRows rows.
ProcedureAnswer read(TAdsConnection &connection, const char *name, const QString &procedure,
                     quint32 sqlTimeoutSeconds, int maxRows = MaxStatusRows)
{
    ProcedureAnswer answer;
    answer.procedure = procedure;
    TAdsQuery query;
    query.setObjectName(QLatin1String(name));
    query.setAdsConnection(&connection);
    query.setSQL({MonitorNames::executeSql(procedure)});
    query.setSQLTimeout(std::max<quint32>(sqlTimeoutSeconds, 1));
    query.Open();
    answer.answered = true;
    for (const auto &field : query.Fields())
        answer.columns.append(field->FieldName);
    answer.rowCount = query.RecordCount();
    for (int row = 0; !query.Eof() && row < maxRows; ++row, query.Next()) {
        QList<QVariant> values;
        values.reserve(answer.columns.size());
        for (const auto &field : query.Fields())
            values.append(field->IsNull() ? QVariant() : field->Value());
        answer.rows.append(std::move(values));
    }
    query.Close();
    return answer;
}

// What a reading lacks to be judged: the columns it needs, named.
QStringList missingColumns(const ProcedureAnswer &answer, const QStringList &needed)
{
    QStringList missing;
    for (const QString &column : needed)
        if (!answer.columns.contains(column, Qt::CaseInsensitive))
            missing.append(column);
    return missing;
}

qsizetype columnOf(const ProcedureAnswer &answer, const QString &name)
{
    for (qsizetype i = 0; i < answer.columns.size(); ++i)
        if (answer.columns[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant valueOf(const ProcedureAnswer &answer, const QList<QVariant> &row, const QString &name)
{
    const qsizetype column = columnOf(answer, name);
    return column >= 0 && column < row.size() ? row[column] : QVariant();
}

void takeUsage(ServerStatus &status, const ProcedureAnswer &usage)
{
    for (const QList<QVariant> &row : usage.rows) {
        ResourceUsage resource;
        resource.name = valueOf(usage, row, MonitorNames::ResourceName).toString().trimmed();
        resource.inUse = countOf(valueOf(usage, row, MonitorNames::InUse));
        resource.maxUsed = countOf(valueOf(usage, row, MonitorNames::MaxUsed));
        resource.configured = countOf(valueOf(usage, row, MonitorNames::Configured));
        resource.rejected = countOf(valueOf(usage, row, MonitorNames::Rejected));
        status.resources.append(resource);
    }
}

void takeInstallation(ServerStatus &status, const ProcedureAnswer &installation)
{
    if (installation.rows.isEmpty())
        return;
    const QList<QVariant> &row = installation.rows.first();
    const auto text = [&](const char *name) {
        return valueOf(installation, row, QLatin1String(name)).toString().trimmed();
    };
    const auto date = [&](const char *name) -> std::optional<QDate> {
        const QVariant value = valueOf(installation, row, QLatin1String(name));
        if (value.typeId() != QMetaType::QDate || !value.toDate().isValid())
            return std::nullopt;
        return value.toDate();
    };
    status.version = text("Version");
    status.owner = text("Owner");
    status.serialNumber = text("SerialNumber");
    status.installDate = date("InstallDate");
    status.evalExpireDate = date("EvalExpireDate");
}

} // namespace

ServerStatus readServerStatus(const QString &connectPath, quint32 sqlTimeoutSeconds,
                              UserRows userRows)
{
    ServerStatus status;
    status.connectPath = connectPath;
    const auto started = std::chrono::steady_clock::now();
    const auto finish = [&] {
        status.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  std::chrono::steady_clock::now() - started)
                                  .count();
        return status;
    };
    const auto failed = [&](const std::exception &error) {
        if (const auto *engine = dynamic_cast<const EADSDatabaseError *>(&error)) {
            status.error = engine->ACEErrorCode();
            status.outcome = outcomeOfEngine(status.error);
        } else {
            status.outcome = ServerStatus::Outcome::Failed;
        }
        status.text = Exception::messageOf(error);
        return finish();
    };
    try {
        TAdsConnection connection;
        connection.setObjectName(QStringLiteral("AdsConnect"));
        connection.setConnectPath(connectPath);
        connection.Connect();
        const auto disconnect = [&connection]() noexcept {
            try {
                connection.Disconnect();
            } catch (...) {
                // What the procedures said is the reading; a failed goodbye changes nothing.
            }
        };
        try {
            status.answers.append(
                read(connection, "qUsageInfo", MonitorNames::UsageInfo, sqlTimeoutSeconds));
            status.answers.append(
                read(connection, "qInstallInfo", MonitorNames::InstallInfo, sqlTimeoutSeconds));
            status.answers.append(read(connection, "qCnctUsers", MonitorNames::ConnectedUsers,
                                       sqlTimeoutSeconds,
                                       userRows == UserRows::All ? MaxStatusRows : 0));
        } catch (...) {
            disconnect();
            throw;
        }
        disconnect();
    } catch (const std::exception &error) {
        return failed(error);
    } catch (...) {
        return failed(std::exception());
    }

    const ProcedureAnswer &usage = status.answers[0];
    const QStringList lacking = missingColumns(
        usage, {MonitorNames::ResourceName, MonitorNames::InUse, MonitorNames::Configured});
    if (!lacking.isEmpty()) {
        status.outcome = ServerStatus::Outcome::Lacking;
        status.text = QStringLiteral("%1 gave no %2 column")
                          .arg(usage.procedure, lacking.join(QStringLiteral(", ")));
        return finish();
    }
    takeUsage(status, usage);
    takeInstallation(status, status.answers[1]);
    status.connectedUsers = status.answers[2].rowCount;
    status.outcome = ServerStatus::Outcome::Read;
    return finish();
}

QString outcomeName(ServerStatus::Outcome outcome)
{
    switch (outcome) {
    case ServerStatus::Outcome::Read:
        return QStringLiteral("read");
    case ServerStatus::Outcome::Unreachable:
        return QStringLiteral("unreachable");
    case ServerStatus::Outcome::TimedOut:
        return QStringLiteral("timedOut");
    case ServerStatus::Outcome::Failed:
        return QStringLiteral("failed");
    case ServerStatus::Outcome::Lacking:
        return QStringLiteral("lacking");
    }
    return {};
}
