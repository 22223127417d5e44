#pragma once

#include "DataSet.h"

#include <QStringList>
#include <cstring>

// A result of text columns held in memory, for rows no stand-in server gives: a hundred
// thousand connections of one user, cells of a mebibyte. A record buffer holds the row's
// index.
class TextRows : public TDataSetBase {
public:
    TextRows(QStringList fields, QList<QStringList> rows)
        : m_names(std::move(fields)), m_rows(std::move(rows))
    {
    }

    TFieldValue GetFieldValue(const TField &field, const QByteArray &buffer) const override
    {
        const QString text = m_rows.value(indexIn(buffer)).value(field.FieldNo - 1);
        return {text.isNull(), QVariant(text), false};
    }
    std::optional<QString> GetFieldPlainText(const TField &field,
                                             const QByteArray &buffer) const override
    {
        return m_rows.value(indexIn(buffer)).value(field.FieldNo - 1);
    }

protected:
    void InternalOpen() override
    {
        m_fieldDefs.clear();
        for (qsizetype i = 0; i < m_names.size(); ++i) {
            TFieldDef def;
            def.Name = m_names[i];
            def.DataType = TFieldType::ftString;
            def.Size = 50;
            def.FieldNo = int(i) + 1;
            m_fieldDefs.append(def);
        }
        m_at = -1;
    }
    void InternalClose() override {}
    void InternalFirst() override { m_at = -1; }
    void InternalLast() override { m_at = int(m_rows.size()); }
    TGetResult GetRecord(QByteArray &buffer, TGetMode mode) override
    {
        m_at += mode == TGetMode::gmNext ? 1 : mode == TGetMode::gmPrior ? -1 : 0;
        if (m_at >= m_rows.size()) {
            m_at = int(m_rows.size());
            return TGetResult::grEOF;
        }
        if (m_at < 0) {
            m_at = -1;
            return TGetResult::grBOF;
        }
        std::memcpy(buffer.data(), &m_at, sizeof m_at);
        return TGetResult::grOK;
    }
    void InternalSetToRecord(const QByteArray &buffer) override { m_at = indexIn(buffer); }
    int RecordBufferSize() const override { return int(sizeof m_at); }

private:
    static int indexIn(const QByteArray &buffer)
    {
        int index = -1;
        if (buffer.size() >= qsizetype(sizeof index))
            std::memcpy(&index, buffer.constData(), sizeof index);
        return index;
    }

    QStringList m_names;
    QList<QStringList> m_rows;
    int m_at = -1;
};
