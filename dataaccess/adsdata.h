#pragma once

#include "DataErrors.h"

#include <QObject>
#include <QString>

class TAdsConnection;
class TAdsDataSet;

// An engine failure, or one of the dataset's own checks, with the context of the dataset
// it belongs to. Its message carries the dataset's name and ": " in front.
class EADSDatabaseError : public EDataAccessError {
public:
    EADSDatabaseError(const TAdsDataSet *oDataSet, quint32 ulErrCode, const QString &strMsg);
    EADSDatabaseError(const EADSDatabaseError &other) = default;
    ~EADSDatabaseError() override;

    const char *className() const override { return "EADSDatabaseError"; }

    quint32 ACEErrorCode() const { return ulACEError; }
    quint32 SQLErrorCode() const { return ulSQLErrorCode; }
    QString DataSetInstanceName() const { return strDataSetInstanceName; }
    QString DataSetInstanceOwner() const { return strDataSetInstanceOwner; }
    QString DatabaseName() const { return strDatabaseName; }
    QString DatabasePath() const { return strDatabasePath; }
    QString TableName() const { return strTableName; }
    QString ColumnName() const { return strColumnName; }

private:
    quint32 ulACEError = 0;
    quint32 ulSQLErrorCode = 0;
    QString strDataSetInstanceName;
    QString strDataSetInstanceOwner;
    QString strDatabaseName;
    QString strDatabasePath;
    QString strTableName;
    QString strColumnName;
};

// True on this thread while an EADSDatabaseError describes itself; engine failures met
// meanwhile are not raised.
extern thread_local bool bErrorUnderConstruction;

// The one place where engine return codes become exceptions: 0 returns, anything else
// raises an EADSDatabaseError with the engine's own text.
void RaiseOnAceError(const TAdsDataSet *dataSet, quint32 code);

// The engine's last error as (code, text); the text is empty when the engine gives none.
struct AceLastError {
    quint32 code = 0;
    QString text;
    quint32 callResult = 0;
};
AceLastError readAceLastError(quint32 code);

// The dataset base of the engine's components. A dataset is a named component owned by
// its window and bound to one connection, which closes it on disconnect.
class TAdsDataSet : public QObject {
    Q_OBJECT
public:
    explicit TAdsDataSet(QObject *owner = nullptr);
    ~TAdsDataSet() override;

    virtual bool Active() const = 0;
    virtual void setActive(bool active) = 0;
    void Open() { setActive(true); }
    void Close() { setActive(false); }

    // Forgets every engine handle without calling the engine; the connection calls it
    // after closing the dataset on disconnect.
    virtual void InvalidateAceHandles() = 0;

    TAdsConnection *AdsConnection() const { return mpoAdsConnection; }
    virtual void setAdsConnection(TAdsConnection *connection);
    // The connection is going away: drop the binding without touching its list.
    void clearConnectionBinding() { mpoAdsConnection = nullptr; }

    QString DatabaseName() const { return mstrDatabaseName; }
    virtual QString DatabasePath() const;
    virtual QString TableName() const { return {}; }

protected:
    TAdsConnection *mpoAdsConnection = nullptr;
    QString mstrDatabaseName;
};
