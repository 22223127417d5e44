#include "GridChanges.h"

#include "DataSet.h"
#include "FieldText.h"

#include <QLocale>
#include <cmath>

namespace {

bool sameValue(const TFieldValue &a, const TFieldValue &b)
{
    return a.isNull == b.isNull && (a.isNull || a.value == b.value);
}

QString keyPart(const TFieldValue &value)
{
    return value.isNull ? QString() : value.value.toString();
}

} // namespace

GridChanges::GridChanges(QStringList keyFields) : m_keyFields(std::move(keyFields)) {}

void GridChanges::beginRecording()
{
    // A refresh that failed half-way recorded a part: compare with the last whole one.
    if (m_current.taken)
        m_previous = std::move(m_current);
    m_current = Snapshot();
}

bool GridChanges::record(const TDataSetBase &dataSet)
{
    const QByteArray *buffer = dataSet.ActiveBuffer();
    if (m_current.rows.size() >= CompareLimits::Rows ||
        (buffer && buffer->size() > CompareLimits::Bytes - m_current.bytes))
        return false;
    if (!buffer)
        return true;
    if (m_current.rows.isEmpty())
        for (const auto &field : dataSet.Fields())
            m_current.layout += QStringLiteral("%1/%2/%3/%4;")
                                    .arg(field->FieldName)
                                    .arg(int(field->DataType))
                                    .arg(field->Size)
                                    .arg(field->Precision);
    // A row without its key (the field missing, or empty) cannot be told apart.
    const QString key = currentKey(dataSet);
    if (key.isEmpty())
        return true;
    // Shared, not copied, until the data set reuses its buffer.
    m_current.rows.insert(key, *buffer);
    m_current.bytes += buffer->size();
    return true;
}

void GridChanges::endRecording(bool sawEveryRow)
{
    m_current.complete = sawEveryRow;
    m_current.taken = true;
}

void GridChanges::clear()
{
    m_previous = Snapshot();
    m_current = Snapshot();
    m_ownKey.clear();
}

QString GridChanges::currentKey(const TDataSetBase &dataSet) const
{
    const QByteArray *buffer = dataSet.ActiveBuffer();
    QStringList parts;
    for (const QString &name : m_keyFields)
        if (const TField *field = dataSet.FindField(name); field && buffer)
            parts.append(keyPart(dataSet.GetFieldValue(*field, *buffer)));
    return parts.join(QChar(0x1f));
}

QString GridChanges::keyAt(const TDataSetBase &dataSet, int bufferIndex) const
{
    QStringList parts;
    if (bufferIndex < 0 || bufferIndex >= dataSet.WindowRecordCount())
        return {};
    for (const QString &name : m_keyFields)
        if (const TField *field = dataSet.FindField(name))
            parts.append(keyPart(dataSet.GetFieldValue(*field, dataSet.RecordBuffer(bufferIndex))));
    return parts.join(QChar(0x1f));
}

bool GridChanges::isNewRow(const QString &key) const
{
    return !key.isEmpty() && m_previous.taken && m_previous.complete &&
           !m_previous.rows.contains(key);
}

const QByteArray *GridChanges::previousRecord(const QString &key, const TDataSetBase &dataSet,
                                              int bufferIndex) const
{
    if (!m_previous.taken || !m_current.taken || m_previous.layout != m_current.layout ||
        bufferIndex < 0 || bufferIndex >= dataSet.WindowRecordCount())
        return nullptr;
    const auto row = m_previous.rows.constFind(key);
    if (row == m_previous.rows.constEnd() ||
        row->size() != dataSet.RecordBuffer(bufferIndex).size())
        return nullptr;
    return &*row;
}

bool GridChanges::isChanged(const QString &key, const TField &field, int bufferIndex) const
{
    const TDataSetBase &dataSet = *field.DataSet();
    const QByteArray *before = previousRecord(key, dataSet, bufferIndex);
    return before && !sameValue(dataSet.GetFieldValue(field, *before),
                                dataSet.GetFieldValue(field, dataSet.RecordBuffer(bufferIndex)));
}

QString GridChanges::changeText(const QString &key, const TField &field, int bufferIndex) const
{
    if (!isChanged(key, field, bufferIndex))
        return {};
    const TDataSetBase &dataSet = *field.DataSet();
    const QLocale locale;
    const QString before = FieldText::displayText(
        field.DataType, field.Currency,
        dataSet.GetFieldValue(field, *previousRecord(key, dataSet, bufferIndex)), locale);
    return numberChange(before, field.DisplayTextAt(bufferIndex), locale);
}

QString GridChanges::numberChange(const QString &before, const QString &now, const QLocale &locale)
{
    bool nowOk = false;
    bool beforeOk = false;
    const double to = locale.toDouble(now, &nowOk);
    const double from = locale.toDouble(before, &beforeOk);
    if (!nowOk || !beforeOk || !std::isfinite(to) || !std::isfinite(from))
        return {};
    const auto decimalsOf = [&locale](const QString &text) {
        const qsizetype point = text.indexOf(locale.decimalPoint());
        return point < 0 ? 0 : int(text.size() - point - 1);
    };
    const int decimals = std::min(15, std::max(decimalsOf(before), decimalsOf(now)));
    const double change = to - from;
    const QString size = locale.toString(std::abs(change), 'f', decimals);
    // The same number written differently ("0,10", "0,1") is no change.
    if (!std::isfinite(change) || size == locale.toString(0.0, 'f', decimals))
        return {};
    return (change > 0 ? locale.positiveSign() : locale.negativeSign()) + size;
}
