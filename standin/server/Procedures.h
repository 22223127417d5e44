#pragma once

#include "Connection.h"
#include "RowImage.h"
#include "Scenario.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <random>
#include <vector>

// The outcome of one EXECUTE PROCEDURE: a result or an error with its code and text.
struct ProcedureOutcome {
    std::shared_ptr<ResultBuilder> result;
    std::uint32_t code = 0;
    QString text;
    QString procedure;
};

// What the procedures see of the server at the moment they run.
struct ServerState {
    const QMap<quint32, ConnectionInfo> &connections;
    int refusedConnects = 0;
};

// The four system procedures, on the server's live connections and on synthetic
// workstations that open and close tables as time goes on (seeded, reproducible).
class Procedures {
public:
    explicit Procedures(const Scenario &scenario);

    // Counting faults count down as they strike.
    ProcedureOutcome execute(const QString &sql, const std::vector<std::optional<QString>> &params,
                             const ServerState &state, Faults &faults);

private:
    struct Table {
        QString name;
        QString lockType;
        int lockValue = 0;
        int locks = 0;
        QDateTime openedAt;
    };
    struct Workstation {
        QString name;
        QString login;
        QString application;
        QString address;
        QString dictionaryUser;
        QDateTime loginTime;
        std::vector<Table> tables;
    };

    void seedWorkstations();
    void step();
    ResultBuilder connectedUsers(const ServerState &state, int synthetic);
    ResultBuilder userTables(const QString &user);
    ResultBuilder installInfo(const Faults &faults);
    ResultBuilder usageInfo(const ServerState &state, const Faults &faults);
    static ResultBuilder hostileUsage(const QList<Faults::UsageRow> &rows);
    std::shared_ptr<const RowBlocks> syntheticRows(const ResultBuilder &layout, int count);
    RowBytes syntheticBlock(const ResultBuilder &layout, std::uint32_t index) const;
    static void applyShapeFaults(const QString &procedure, const Faults &faults,
                                 ResultBuilder &result);

    // The synthetic users' rows never change: built once, in blocks, they are shared by
    // every result that shows them, whatever count it was made for. The blocks of the
    // current count are held here; the others live while a result holds them, so that
    // results kept open while the count changes hold one copy of each row between them.
    static constexpr std::uint32_t SyntheticBlockRows = 4096;
    int m_syntheticCount = -1;
    std::shared_ptr<const RowBlocks> m_syntheticRows;
    std::vector<std::weak_ptr<const RowBytes>> m_syntheticBlocks;

    const Scenario &m_scenario;
    std::mt19937 m_random;
    std::vector<Workstation> m_workstations;
    std::vector<int> m_maxUsed;
    QDateTime m_started;
};
