#include "Procedures.h"

#include "AceCodes.h"
#include "AceFieldTypes.h"

#include <QRegularExpression>
#include <algorithm>
#include <set>

namespace {

const QStringList TablePool = {QStringLiteral("kunden.adt"),    QStringLiteral("artikel.adt"),
                               QStringLiteral("auftraege.adt"), QStringLiteral("rechnungen.adt"),
                               QStringLiteral("lager.adt"),     QStringLiteral("personal.adt"),
                               QStringLiteral("lohn2026.adt"),  QStringLiteral("buchungen.adt"),
                               QStringLiteral("mahnungen.adt"), QStringLiteral("lieferanten.adt")};

// The SQL engine's error text; native is its own error number.
QString sqlError(int native, const QString &what)
{
    return QStringLiteral("%1  AQE Error:  State = HY000;   NativeError = %2;  %3")
        .arg(QLatin1String(acecode::SqlErrorMarker))
        .arg(native)
        .arg(what);
}

} // namespace

Procedures::Procedures(const Scenario &scenario)
    : m_scenario(scenario), m_random(scenario.seed), m_started(QDateTime::currentDateTime())
{
    seedWorkstations();
}

void Procedures::seedWorkstations()
{
    for (const Scenario::Workstation &w : m_scenario.workstations) {
        Workstation ws{
            w.name,    w.login,          w.application,
            w.address, w.dictionaryUser, m_started.addSecs(-3600 - qint64(m_random() % 7200)),
            {}};
        m_workstations.push_back(ws);
    }
    for (int i = 0; i < 3; ++i)
        step();
}

// One turn of the simulation: some workstations open a table, some close one.
void Procedures::step()
{
    for (Workstation &ws : m_workstations) {
        const unsigned roll = m_random() % 10;
        if (roll < 4 && ws.tables.size() < 6) {
            const QString name = TablePool[int(m_random() % unsigned(TablePool.size()))];
            const bool exclusive = m_random() % 5 == 0;
            ws.tables.push_back(
                Table{QStringLiteral("\\\\%1\\daten\\%2").arg(m_scenario.name, name),
                      exclusive ? QStringLiteral("EXCL") : QStringLiteral("SHRD"),
                      exclusive ? 2 : 1, int(m_random() % 4), QDateTime::currentDateTime()});
        } else if (roll < 7 && !ws.tables.empty()) {
            ws.tables.erase(ws.tables.begin() + long(m_random() % ws.tables.size()));
        }
    }
}

ProcedureOutcome Procedures::execute(const QString &sql,
                                     const std::vector<std::optional<QString>> &params,
                                     const ServerState &state, Faults &faults)
{
    ProcedureOutcome outcome;
    static const QRegularExpression call(
        QStringLiteral("^\\s*EXECUTE\\s+PROCEDURE\\s+(\\w+)\\s*\\((.*)\\)\\s*;?\\s*$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = call.match(sql);
    if (!match.hasMatch()) {
        outcome.code = acecode::ProcedureFailed;
        outcome.text =
            sqlError(2115, QStringLiteral("Only EXECUTE PROCEDURE statements are served here."));
        return outcome;
    }
    const QString procedure = match.captured(1);
    outcome.procedure = procedure;

    // Arguments: parameter markers take the bound values in order; quoted text is literal.
    QStringList arguments;
    std::size_t next = 0;
    for (const QString &raw : match.captured(2).split(QLatin1Char(','), Qt::SkipEmptyParts)) {
        const QString arg = raw.trimmed();
        if (arg.startsWith(QLatin1Char(':')) || arg == QLatin1String("?")) {
            arguments.append(next < params.size() && params[next] ? *params[next] : QString());
            ++next;
        } else if (arg.size() >= 2 && arg.startsWith(QLatin1Char('\'')) &&
                   arg.endsWith(QLatin1Char('\''))) {
            arguments.append(arg.mid(1, arg.size() - 2));
        } else {
            arguments.append(arg);
        }
    }

    const auto error = faults.procedureErrors.find(procedure.toLower());
    if (error != faults.procedureErrors.end() && error->count != 0) {
        if (error->count > 0)
            --error->count;
        outcome.code = error->code;
        outcome.text = error->text;
        return outcome;
    }

    auto result = std::make_shared<ResultBuilder>();
    const QString name = procedure.toLower();
    if (name == QLatin1String("sp_mggetconnectedusers")) {
        step();
        *result = connectedUsers(state, faults.syntheticUsers);
    } else if (name == QLatin1String("sp_mggetusertables")) {
        if (arguments.size() != 1) {
            outcome.code = acecode::ProcedureFailed;
            outcome.text = sqlError(int(acecode::ProcedureFailed),
                                    QStringLiteral("sp_mgGetUserTables takes one argument."));
            return outcome;
        }
        *result = userTables(arguments.first());
    } else if (name == QLatin1String("sp_mggetinstallinfo")) {
        *result = installInfo(faults);
    } else if (name == QLatin1String("sp_mggetusageinfo")) {
        *result = usageInfo(state, faults);
    } else {
        outcome.code = acecode::ProcedureFailed;
        outcome.text =
            sqlError(5154, QStringLiteral("The procedure %1 does not exist.").arg(procedure));
        return outcome;
    }
    applyShapeFaults(procedure, faults, *result);
    // A broken server: columns declared with lengths their rows do not have.
    if (faults.columnLengths.contains(procedure.toLower()))
        result->declareLengths(faults.columnLengths.value(procedure.toLower()));
    outcome.result = result;
    return outcome;
}

void Procedures::applyShapeFaults(const QString &procedure, const Faults &faults,
                                  ResultBuilder &result)
{
    const QString name = procedure.toLower();
    const bool empty = faults.lists(faults.emptyResults, name);
    const QStringList dropped = faults.dropFields.value(name);
    const bool changesShape = !dropped.isEmpty() || faults.lists(faults.lowerCaseFields, name) ||
                              faults.lists(faults.unknownTypeColumn, name);
    if (!empty && !changesShape)
        return;
    ResultBuilder reshaped;
    std::vector<int> sources;
    for (std::size_t i = 0; i < result.columns().size(); ++i) {
        const wire::Column &c = result.columns()[i];
        if (dropped.contains(QString::fromStdString(c.name).toLower()))
            continue;
        const std::uint32_t length = c.type == acetype::WideCharacter ? c.length / 2 : c.length;
        reshaped.column(c.name, c.type, length, c.decimals);
        sources.push_back(int(i));
    }
    if (faults.lists(faults.unknownTypeColumn, name))
        reshaped.column("Mystery", acetype::SystemField, 4);
    if (faults.lists(faults.lowerCaseFields, name))
        reshaped.lowerCaseNames();
    // The rows stay where they are; each fetch reshapes the rows it sends.
    if (!empty)
        reshaped.reshapeRowsOf(std::make_shared<const ResultBuilder>(std::move(result)), sources);
    result = std::move(reshaped);
}

ResultBuilder Procedures::connectedUsers(const ServerState &state, int synthetic)
{
    ResultBuilder r;
    r.column("UserName", acetype::Character, 50);
    r.column("ConnNumber", acetype::Integer);
    r.column("Address", acetype::Character, 30);
    r.column("OSUserLoginName", acetype::Character, 50);
    r.column("TSAddress", acetype::Character, 30);
    r.column("DictionaryUser", acetype::Character, 50);
    r.column("ApplicationID", acetype::WideCharacter, 70);
    r.column("AverageCost", acetype::Integer);
    r.column("LoginTime", acetype::Timestamp);
    r.column("LockCount", acetype::ShortInteger);
    const auto row = [&r](const QString &user, int number, const QString &address,
                          const QString &login, const QString &ts, const QString &dictionary,
                          const QString &application, int cost, const QDateTime &loginTime,
                          int locks) {
        r.newRow();
        r.setChar(0, user);
        r.setInt(1, number);
        r.setChar(2, address);
        r.setChar(3, login);
        if (!ts.isEmpty())
            r.setChar(4, ts);
        if (!dictionary.isEmpty())
            r.setChar(5, dictionary);
        r.setWide(6, application);
        r.setInt(7, cost);
        r.setTimestamp(8, loginTime);
        r.setShort(9, std::int16_t(locks));
    };
    for (const ConnectionInfo &c : state.connections)
        row(c.workstation, int(c.number), c.peer, c.osLogin, QString(), c.user, c.application, 1,
            c.connectTime, 0);
    int number = 1000;
    for (const Workstation &ws : m_workstations) {
        int locks = 0;
        for (const Table &t : ws.tables)
            locks += t.locks;
        row(ws.name, ++number, ws.address, ws.login, QString(), ws.dictionaryUser, ws.application,
            int(2 + ws.tables.size() * 3), ws.loginTime, locks);
    }
    if (synthetic != m_syntheticCount) {
        m_syntheticRows = syntheticRows(r, synthetic);
        m_syntheticCount = synthetic;
    }
    // Every execute shares the blocks: copying tens of megabytes per refresh was most of
    // the server's time in a long scan.
    if (synthetic > 0)
        r.appendShared(m_syntheticRows, std::uint32_t(synthetic));
    return r;
}

std::shared_ptr<const RowBlocks> Procedures::syntheticRows(const ResultBuilder &layout, int count)
{
    auto rows = std::make_shared<RowBlocks>();
    rows->rowsPerBlock = SyntheticBlockRows;
    const std::size_t blocks = (std::size_t(count) + SyntheticBlockRows - 1) / SyntheticBlockRows;
    if (m_syntheticBlocks.size() < blocks)
        m_syntheticBlocks.resize(blocks);
    for (std::size_t i = 0; i < blocks; ++i) {
        std::shared_ptr<const RowBytes> block = m_syntheticBlocks[i].lock();
        if (!block) {
            block = std::make_shared<const RowBytes>(syntheticBlock(layout, std::uint32_t(i)));
            m_syntheticBlocks[i] = block;
        }
        rows->blocks.push_back(std::move(block));
    }
    return rows;
}

RowBytes Procedures::syntheticBlock(const ResultBuilder &layout, std::uint32_t index) const
{
    ResultBuilder block;
    for (const wire::Column &c : layout.columns())
        block.column(c.name, c.type, c.type == acetype::WideCharacter ? c.length / 2 : c.length,
                     c.decimals);
    block.reserveRows(SyntheticBlockRows);
    const int first = int(index * SyntheticBlockRows);
    for (int i = first; i < first + int(SyntheticBlockRows); ++i) {
        block.newRow();
        block.setChar(0, QStringLiteral("WS%1").arg(i, 5, 10, QLatin1Char('0')));
        block.setInt(1, 20000 + i);
        block.setChar(2, QStringLiteral("127.0.%1.%2").arg(1 + i / 250).arg(1 + i % 250));
        block.setChar(3, QStringLiteral("user%1").arg(i));
        block.setWide(6, QStringLiteral("Warenwirtschaft.exe"));
        block.setInt(7, i % 97);
        block.setTimestamp(8, m_started);
        block.setShort(9, std::int16_t(i % 5));
    }
    return block.takeRows();
}

ResultBuilder Procedures::userTables(const QString &user)
{
    ResultBuilder r;
    r.column("TableName", acetype::Character, 260);
    r.column("LockType", acetype::Character, 4);
    r.column("LockTypeValue", acetype::ShortInteger);
    r.column("LockCount", acetype::Integer);
    r.column("OpenedAt", acetype::Timestamp);
    const QString workstation = user.section(QLatin1Char('\\'), 0, 0);
    const QString login = user.section(QLatin1Char('\\'), 1);
    for (const Workstation &ws : m_workstations) {
        if (ws.name.compare(workstation, Qt::CaseInsensitive) != 0 ||
            ws.login.compare(login, Qt::CaseInsensitive) != 0)
            continue;
        for (const Table &t : ws.tables) {
            r.newRow();
            r.setChar(0, t.name);
            r.setChar(1, t.lockType);
            r.setShort(2, std::int16_t(t.lockValue));
            r.setInt(3, t.locks);
            r.setTimestamp(4, t.openedAt);
        }
    }
    return r;
}

ResultBuilder Procedures::installInfo(const Faults &faults)
{
    ResultBuilder r;
    r.column("Owner", acetype::WideCharacter, 60);
    r.column("SerialNumber", acetype::Character, 12);
    r.column("UserOption", acetype::Integer);
    r.column("MaxStatefulUsers", acetype::Integer);
    r.column("MaxStatelessUsers", acetype::Integer);
    r.column("ReplicationEnabled", acetype::Logical);
    r.column("Version", acetype::Character, 20);
    r.column("InstallDate", acetype::Date);
    r.column("EvalExpireDate", acetype::Date);
    r.column("ANSI", acetype::Character, 30);
    r.column("OEM", acetype::Character, 30);
    r.column("LicenseValue", acetype::Money);
    r.newRow();
    r.setWide(0, m_scenario.owner);
    r.setChar(1, QStringLiteral("QM-4711-0815"));
    r.setInt(2, 50);
    r.setInt(3, 50);
    r.setInt(4, 10);
    r.setLogical(5, false);
    r.setChar(6, QStringLiteral("10.10.0.28"));
    r.setDate(7, QDate(2024, 3, 18));
    if (faults.evalExpiresInDays)
        r.setDate(8, QDate::currentDate().addDays(*faults.evalExpiresInDays));
    r.setChar(9, QStringLiteral("German"));
    r.setChar(10, QStringLiteral("German"));
    r.setMoney(11, 4890.5);
    return r;
}

ResultBuilder Procedures::hostileUsage(const QList<Faults::UsageRow> &rows)
{
    ResultBuilder r;
    r.column("ResourceName", acetype::Character, 25);
    r.column("InUse", acetype::LongInteger);
    r.column("MaxUsed", acetype::LongInteger);
    r.column("Configured", acetype::LongInteger);
    r.column("Rejected", acetype::LongInteger);
    for (const Faults::UsageRow &row : rows) {
        r.newRow();
        r.setBytes(0, row.name);
        const std::optional<std::int64_t> counts[] = {row.inUse, row.maxUsed, row.configured,
                                                      row.rejected};
        for (int i = 0; i < 4; ++i) {
            if (counts[i])
                r.setLong(1 + i, *counts[i]);
            else
                r.setNull(1 + i);
        }
    }
    return r;
}

ResultBuilder Procedures::usageInfo(const ServerState &state, const Faults &faults)
{
    if (faults.usageRows)
        return hostileUsage(*faults.usageRows);
    ResultBuilder r;
    r.column("ResourceName", acetype::Character, 25);
    r.column("InUse", acetype::Integer);
    r.column("MaxUsed", acetype::Integer);
    r.column("Configured", acetype::Integer);
    r.column("Rejected", acetype::Integer);
    r.column("PercentUsed", acetype::Numeric, 7, 2);
    r.column("AvgWaitMs", acetype::Double);

    std::set<QString> users;
    int tables = 0;
    int locks = 0;
    std::set<QString> distinctTables;
    for (const ConnectionInfo &c : state.connections)
        users.insert(c.workstation.toLower() + QLatin1Char('\\') + c.osLogin.toLower());
    for (const Workstation &ws : m_workstations) {
        users.insert(ws.name.toLower() + QLatin1Char('\\') + ws.login.toLower());
        tables += int(ws.tables.size());
        for (const Table &t : ws.tables) {
            locks += t.locks;
            distinctTables.insert(t.name.toLower());
        }
    }
    const int connections = int(state.connections.size() + m_workstations.size());
    const struct {
        const char *name;
        int inUse;
        int configured;
        int rejected;
    } resources[] = {
        {"Users", int(users.size()), 50, 0},
        {"Connections", connections, 100, state.refusedConnects},
        {"Work Areas", tables + 3 * int(state.connections.size()), 500, 0},
        {"Tables", int(distinctTables.size()), 250, 0},
        {"Index Files", int(distinctTables.size()), 250, 0},
        {"Locks", locks, 5000, 0},
        {"Worker Threads", 1 + int(m_random() % 3), 16, 0},
    };
    m_maxUsed.resize(std::size(resources));
    int i = 0;
    for (const auto &resource : resources) {
        m_maxUsed[std::size_t(i)] = std::max(m_maxUsed[std::size_t(i)], resource.inUse);
        r.newRow();
        r.setChar(0, QString::fromLatin1(resource.name));
        r.setInt(1, resource.inUse);
        r.setInt(2, m_maxUsed[std::size_t(i)]);
        r.setInt(3, resource.configured);
        r.setInt(4, resource.rejected);
        r.setNumeric(5, 100.0 * resource.inUse / resource.configured);
        r.setDouble(6, 0.25 * double(m_random() % 40));
        ++i;
    }
    return r;
}
