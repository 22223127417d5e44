#pragma once

#include "FieldKinds.h"
#include "MonitorRules.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

class QLocale;
class TDataSetBase;
class TField;

// What changed in a grid's rows between two refreshes. A refresh records its rows (the
// record buffers, by row key); painting compares the fields it shows with the same fields of
// the row recorded by the refresh before. Only what is painted is decoded: decoding every
// field of every row would cost a refresh more than reading them. Rows are comparable while
// the result keeps its columns. Rows past CompareLimits (rows or bytes) are not recorded: a
// long list, or one of large records, costs no more than that, and its later rows are
// neither new nor changed.
class GridChanges {
public:
    // A row's key is the values of these fields, in this order.
    explicit GridChanges(QStringList keyFields);

    // A refresh begins: the rows recorded so far become the ones later rows are compared
    // with.
    void beginRecording();
    // Records the data set's current record; false, recording nothing, once the limit is
    // reached.
    bool record(const TDataSetBase &dataSet);
    // Whether every row was recorded: only then is a row missing from it a new one.
    void endRecording(bool sawEveryRow);
    // Nothing to compare with any more (another server, a closed window).
    void clear();

    QString currentKey(const TDataSetBase &dataSet) const;
    QString keyAt(const TDataSetBase &dataSet, int bufferIndex) const;
    // The same, taking a key field's value from those already decoded where it is among them.
    QString keyAt(const TDataSetBase &dataSet, int bufferIndex, const QList<const TField *> &fields,
                  const QList<TFieldValue> &values) const;

    bool isNewRow(const QString &key) const;
    // Whether the field's value in the record of the data set's buffer window differs from
    // the previous refresh's.
    bool isChanged(const QString &key, const TField &field, int bufferIndex) const;
    // The same for the field's value in that record, decoded already.
    bool isChanged(const QString &key, const TField &field, int bufferIndex,
                   const TFieldValue &now) const;
    // A number's change since the previous refresh, signed, with as many decimals as the
    // display texts show ("+3", "-0,25"); empty when it is no number or nothing changed.
    QString changeText(const QString &key, const TField &field, int bufferIndex) const;

    // The change from one number to another, worked out on the values (whole numbers and
    // decimals exactly, others in floating point) and written with that many decimals in the
    // locale; empty when either is null or no number, when the change does not fit a double,
    // or when it writes as zero.
    static QString numberChange(const TFieldValue &before, const TFieldValue &now, int decimals,
                                const QLocale &locale);

    // The row that is the monitor's own connection.
    void setOwnKey(const QString &key) { m_ownKey = key; }
    bool isOwn(const QString &key) const { return !key.isEmpty() && key == m_ownKey; }

private:
    struct Recording {
        QString layout; // the columns: names, kinds, sizes
        QHash<QString, QByteArray> rows;
        qsizetype bytes = 0;
        bool complete = false;
        bool taken = false;
    };
    // The previous refresh's record of the row, when its columns are the current ones.
    const QByteArray *previousRecord(const QString &key, const TDataSetBase &dataSet,
                                     int bufferIndex) const;

    QStringList m_keyFields;
    Recording m_previous;
    Recording m_current;
    QString m_ownKey;
};
