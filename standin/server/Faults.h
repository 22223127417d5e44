#pragma once

#include <nlohmann/json_fwd.hpp>

#include "AceCodes.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

// Faults a test switches on to see how clients cope; counters count down as they strike.
// Procedure names are kept in lower case: they match without regard to case.
struct Faults {
    struct ProcedureError {
        std::uint32_t code = acecode::ProcedureFailed;
        QString text = QStringLiteral("procedure failed");
        int count = -1; // -1: always
    };

    // A row of sp_mgGetUsageInfo as a hostile server sends it: the name's raw bytes (NULs
    // and bytes that are no text included) and 64-bit counts, each absent for null.
    struct UsageRow {
        QByteArray name;
        std::optional<std::int64_t> inUse, maxUsed, configured, rejected;
    };

    int refuseConnects = 0; // the next N hellos are refused
    int delayMs = 0;        // every answer waits this long
    int closeMidAnswer = 0; // the next N answers are cut off halfway and the link closed
    int slowMs = 0;         // results of executions wait this long
    int syntheticUsers = 0; // extra connected-user rows
    QMap<QString, ProcedureError> procedureErrors;
    QMap<QString, QStringList> dropFields; // procedure: fields left out
    QStringList lowerCaseFields;           // procedures whose field names are lower case
    QStringList unknownTypeColumn;         // procedures with a column of type 25
    QStringList emptyResults;              // procedures that return no rows
    QMap<QString, QMap<QString, std::uint32_t>> columnLengths; // procedure: field: declared length
    std::optional<QList<UsageRow>> usageRows;                  // instead of the computed counters
    std::optional<int> evalExpiresInDays;                      // an evaluation licence ending then

    // These faults with the changes of a JSON object applied: the keys above, and "reset":
    // true, which first restores every default. Every key and value is checked; anything
    // unknown, of the wrong type or out of range raises std::invalid_argument with a
    // readable message, and nothing is applied.
    Faults changedBy(const nlohmann::json &changes) const;

    bool lists(const QStringList &procedures, const QString &procedure) const
    {
        return procedures.contains(procedure.toLower());
    }
};
