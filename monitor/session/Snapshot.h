#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

class MonitorSession;
class TDataSetBase;

// What the monitor shows, kept as a record: the server's connect path, the time, and each
// result with every field the server sent, as display texts.
struct Snapshot {
    struct Result {
        QString title; // the procedure, with its argument where it has one
        bool open = false;
        QStringList columns;
        QList<QList<std::optional<QString>>> rows; // none: null
        qint64 rowCount = 0;                       // of the result; more than rows when it was cut
    };
    QString connectPath;
    QDateTime time;
    QList<Result> results;

    // What the session's four results hold now, at this time; no cursor moves for long.
    static Snapshot of(MonitorSession &session);

    // Reads every field of every record, up to ReadOutLimits for all results together;
    // the cursor and what the controls show stay as they are.
    void add(const QString &title, TDataSetBase &dataSet);

    // One block per result with aligned columns, UTF-8.
    QByteArray text() const;
    QByteArray json() const;
    // As JSON when the file's name ends in ".json" (case ignored), else as text; replaces
    // the file whole or not at all. Failures raise, naming the file.
    void save(const QString &filePath) const;

private:
    qsizetype m_characters = 0;
};
