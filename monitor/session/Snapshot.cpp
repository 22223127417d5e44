#include "Snapshot.h"

#include "DataSetWalk.h"
#include "Exception.h"
#include "FileReplace.h"
#include "MonitorNames.h"
#include "MonitorSession.h"
#include "TextColumns.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <algorithm>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(Snapshot)
};

} // namespace

Snapshot Snapshot::of(MonitorSession &session)
{
    Snapshot snapshot;
    snapshot.connectPath = session.AdsConnect->ConnectPath();
    snapshot.time = QDateTime::currentDateTime();
    snapshot.add(MonitorNames::UsageInfo, *session.qUsageInfo);
    snapshot.add(MonitorNames::InstallInfo, *session.qInstallInfo);
    snapshot.add(MonitorNames::ConnectedUsers, *session.qCnctUsers);
    snapshot.add(
        QStringLiteral("%1('%2')")
            .arg(MonitorNames::UserTables, session.qUserTables->Params()[0].Value.toString()),
        *session.qUserTables);
    return snapshot;
}

void Snapshot::add(const QString &title, TDataSetBase &dataSet)
{
    Result result;
    result.title = title;
    result.open = dataSet.Active();
    if (result.open) {
        for (const auto &field : dataSet.Fields())
            result.columns.append(field->FieldName);
        result.rowCount = dataSet.RecordCount();
    }
    if (result.open)
        forEachRecord(dataSet, ReadOutLimits::Characters - m_characters,
                      [&](qsizetype left) -> std::optional<qsizetype> {
                          QList<std::optional<QString>> values;
                          qsizetype characters = 0;
                          for (const auto &field : dataSet.Fields()) {
                              if (field->IsNull()) {
                                  values.append(std::nullopt);
                                  continue;
                              }
                              values.append(field->DisplayText());
                              characters += values.last()->size();
                          }
                          if (characters > left)
                              return std::nullopt;
                          m_characters += characters;
                          result.rows.append(values);
                          return characters;
                      });
    results.append(result);
}

namespace {

QString rowsLine(const Snapshot::Result &result)
{
    const QLocale locale;
    if (!result.open)
        return Texts::tr("nicht geöffnet");
    const QString count = result.rowCount == 1
                              ? Texts::tr("1 Zeile")
                              : Texts::tr("%1 Zeilen").arg(locale.toString(result.rowCount));
    if (result.rows.size() >= result.rowCount)
        return count;
    return Texts::tr("%1, davon die ersten %2").arg(count, locale.toString(result.rows.size()));
}

} // namespace

QByteArray Snapshot::text() const
{
    QString out = Texts::tr("Quellmark: Schnappschuss des Monitors\n");
    out += QStringLiteral("Server: %1\n").arg(connectPath);
    out += Texts::tr("Zeit:   %1\n").arg(time.toString(Qt::ISODate));
    for (const Result &result : results) {
        out += QStringLiteral("\n== %1 (%2) ==\n").arg(result.title, rowsLine(result));
        if (!result.open)
            continue;
        TextColumns table(result.columns);
        table.setRule(QLatin1Char('-'));
        for (const auto &row : result.rows) {
            QStringList cells;
            for (const std::optional<QString> &value : row)
                cells.append(value.value_or(QString()));
            table.addRow(cells);
        }
        out += table.text();
    }
    return out.toUtf8();
}

QByteArray Snapshot::json() const
{
    QJsonArray blocks;
    for (const Result &result : results) {
        QJsonObject block{{QStringLiteral("result"), result.title},
                          {QStringLiteral("open"), result.open}};
        if (result.open) {
            QJsonArray rows;
            for (const auto &row : result.rows) {
                QJsonArray values;
                for (const std::optional<QString> &value : row)
                    values.append(value ? QJsonValue(*value) : QJsonValue(QJsonValue::Null));
                rows.append(values);
            }
            block.insert(QStringLiteral("columns"), QJsonArray::fromStringList(result.columns));
            block.insert(QStringLiteral("rowCount"), result.rowCount);
            block.insert(QStringLiteral("rows"), rows);
        }
        blocks.append(block);
    }
    const QJsonObject root{{QStringLiteral("server"), connectPath},
                           {QStringLiteral("time"), time.toString(Qt::ISODate)},
                           {QStringLiteral("results"), blocks}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

void Snapshot::save(const QString &filePath) const
{
    const bool asJson = filePath.endsWith(QStringLiteral(".json"), Qt::CaseInsensitive);
    const QByteArray bytes = asJson ? json() : text();
    // Not QSaveFile: Qt 6.4's commit() reports success after a failed last write (a full
    // disk), leaving an empty file in place of the older one; and it writes over a device.
    FileReplace::Request request;
    request.fileName = filePath;
    request.readLimit = 0;
    request.produce = [&](const FileReplace::Current &) { return std::optional(bytes); };
    const FileReplace::Result result = FileReplace::replace(request);
    if (!result.ok())
        throw Exception(Texts::tr("Der Schnappschuss kann nicht in %1 gespeichert werden: %2")
                            .arg(filePath, FileReplace::reasonText(result)));
}
