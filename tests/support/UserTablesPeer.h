#pragma once

#include "ScriptedServer.h"
#include "Wire.h"

#include <QByteArray>
#include <QList>
#include <algorithm>
#include <cstring>

// A peer at which every user holds the same tables: each execution (sp_mgGetUserTables for
// whichever user) gives these names as TableName, with LockType "SHRD", in character columns
// as wide as the longest name. Table names no server of ours would send: a hundred thousand
// of them, or of a mebibyte each.
inline ScriptedServer::Script holdingTables(const QList<QByteArray> &names)
{
    qsizetype longest = 1;
    for (const QByteArray &name : names)
        longest = std::max(longest, name.size());
    const auto width = std::uint32_t(longest);
    const std::uint32_t recordLength = width + 4;
    return [names, width, recordLength](std::uint8_t type,
                                        const QByteArray &payload) -> ScriptedServer::Reply {
        switch (type) {
        case wire::Hello:
            return {ScriptedServer::welcome()};
        case wire::Execute:
            return {
                ScriptedServer::result(7, std::uint32_t(names.size()), recordLength,
                                       {{"TableName", 4, width, 0}, {"LockType", 4, 4, width}})};
        case wire::Fetch: {
            std::uint32_t first = 0;
            std::uint32_t count = 0;
            std::memcpy(&first, payload.constData() + 4, 4);
            std::memcpy(&count, payload.constData() + 8, 4);
            QByteArray rows = QByteArray(1, char(wire::Rows)) + payload.mid(4, 8);
            rows.reserve(rows.size() + qsizetype(count) * recordLength);
            for (std::uint32_t i = first; i < first + count; ++i) {
                const QByteArray &name = names.value(qsizetype(i));
                rows += name + QByteArray(qsizetype(width) - name.size(), ' ') + "SHRD";
            }
            return {ScriptedServer::frame(rows)};
        }
        case wire::CloseCursor:
            return {ScriptedServer::frame(QByteArray(1, char(wire::Ok)))};
        default:
            return {};
        }
    };
}
