#pragma once

#include "adsdata.h"

#include <QStringList>

// A dataset double for the connection's bookkeeping: it only records what is done to it.
class FakeDataSet : public TAdsDataSet {
public:
    FakeDataSet(const QString &name, QStringList &journal, QObject *owner = nullptr)
        : TAdsDataSet(owner), m_journal(journal)
    {
        setObjectName(name);
    }

    bool closeFails = false;
    bool active = false;
    QString path = QStringLiteral("\\\\srv\\share");

    bool Active() const override { return active; }
    void setActive(bool on) override
    {
        m_journal.append(objectName() + (on ? QStringLiteral(".open") : QStringLiteral(".close")));
        if (!on && closeFails)
            throw EDataAccessError(QStringLiteral("close failed"));
        active = on;
    }
    void InvalidateAceHandles() override
    {
        m_journal.append(objectName() + QStringLiteral(".invalidate"));
    }
    QString DatabasePath() const override { return path; }
    QString TableName() const override { return QStringLiteral("table-of-") + objectName(); }

private:
    QStringList &m_journal;
};
