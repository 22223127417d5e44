#include "GridChanges.h"

#include "DataSet.h"
#include "Decimal4.h"
#include "FieldKinds.h"
#include "FieldText.h"

#include <QLocale>
#include <algorithm>
#include <cmath>
#include <optional>

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
    m_current = Recording();
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
    m_previous = Recording();
    m_current = Recording();
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
    return keyAt(dataSet, bufferIndex, {}, {});
}

QString GridChanges::keyAt(const TDataSetBase &dataSet, int bufferIndex,
                           const QList<const TField *> &fields,
                           const QList<TFieldValue> &values) const
{
    QStringList parts;
    if (bufferIndex < 0 || bufferIndex >= dataSet.WindowRecordCount())
        return {};
    for (const QString &name : m_keyFields) {
        const TField *field = dataSet.FindField(name);
        if (!field)
            continue;
        const qsizetype known = fields.indexOf(field);
        parts.append(
            keyPart(known >= 0 && known < values.size()
                        ? values[known]
                        : dataSet.GetFieldValue(*field, dataSet.RecordBuffer(bufferIndex))));
    }
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
    if (bufferIndex < 0 || bufferIndex >= dataSet.WindowRecordCount())
        return false;
    return isChanged(key, field, bufferIndex,
                     dataSet.GetFieldValue(field, dataSet.RecordBuffer(bufferIndex)));
}

bool GridChanges::isChanged(const QString &key, const TField &field, int bufferIndex,
                            const TFieldValue &now) const
{
    const TDataSetBase &dataSet = *field.DataSet();
    const QByteArray *before = previousRecord(key, dataSet, bufferIndex);
    return before && !sameValue(dataSet.GetFieldValue(field, *before), now);
}

QString GridChanges::changeText(const QString &key, const TField &field, int bufferIndex) const
{
    if (!isChanged(key, field, bufferIndex))
        return {};
    const TDataSetBase &dataSet = *field.DataSet();
    const QLocale locale;
    const TFieldValue before =
        dataSet.GetFieldValue(field, *previousRecord(key, dataSet, bufferIndex));
    const TFieldValue now = dataSet.GetFieldValue(field, dataSet.RecordBuffer(bufferIndex));
    // As many decimals as the texts the grid shows: counted in them, not read back from them.
    const auto decimalsOf = [&](const TFieldValue &value) {
        const QString text = FieldText::displayText(field.DataType, field.Currency, value, locale);
        const qsizetype point = text.indexOf(locale.decimalPoint());
        return point < 0 ? 0 : int(text.size() - point - 1);
    };
    return numberChange(before, now, std::max(decimalsOf(before), decimalsOf(now)), locale);
}

namespace {

// The change from one value to another: exact in long double for whole numbers (any two
// 64-bit ones differ by less than 2^64, which it holds) and for decimals (ten-thousandths).
std::optional<long double> changeOf(const QVariant &before, const QVariant &now)
{
    if (before.typeId() == qMetaTypeId<Decimal4>() && now.typeId() == qMetaTypeId<Decimal4>())
        return (static_cast<long double>(now.value<Decimal4>().units) -
                static_cast<long double>(before.value<Decimal4>().units)) /
               10000.0L;
    const std::optional<qint64> from = wholeNumberOf(before);
    const std::optional<qint64> to = wholeNumberOf(now);
    if (from && to)
        return static_cast<long double>(*to) - static_cast<long double>(*from);
    bool fromOk = false;
    bool toOk = false;
    const double a = before.toDouble(&fromOk);
    const double b = now.toDouble(&toOk);
    if (!fromOk || !toOk || !std::isfinite(a) || !std::isfinite(b))
        return std::nullopt;
    return static_cast<long double>(b - a);
}

} // namespace

QString GridChanges::numberChange(const TFieldValue &before, const TFieldValue &now, int decimals,
                                  const QLocale &locale)
{
    if (before.isNull || now.isNull)
        return {};
    // Whole numbers exactly: two 64-bit ones differ by at most 2^64 - 1, which the unsigned
    // difference holds.
    if (const std::optional<qint64> from = wholeNumberOf(before.value),
        to = wholeNumberOf(now.value);
        from && to && decimals <= 0) {
        if (*from == *to)
            return {};
        const bool up = *to > *from;
        const quint64 size = up ? quint64(*to) - quint64(*from) : quint64(*from) - quint64(*to);
        return (up ? locale.positiveSign() : locale.negativeSign()) + locale.toString(size);
    }
    const std::optional<long double> change = changeOf(before.value, now.value);
    if (!change || !std::isfinite(double(*change)))
        return {};
    decimals = std::clamp(decimals, 0, 15);
    const QString size = locale.toString(std::abs(double(*change)), 'f', decimals);
    // The same number written differently ("0,10", "0,1") is no change.
    if (size == locale.toString(0.0, 'f', decimals))
        return {};
    return (*change > 0 ? locale.positiveSign() : locale.negativeSign()) + size;
}
