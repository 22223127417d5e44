#pragma once

#include "DataErrors.h"

#include <QString>

class TDataSetBase;

// An engine failure, or one of a dataset's own checks, with the context of the dataset it
// belongs to. Its message carries the dataset's name and ": " in front.
class EADSDatabaseError : public EDataAccessError {
public:
    EADSDatabaseError(const TDataSetBase *oDataSet, quint32 ulErrCode, const QString &strMsg);
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

// Misuse of a connection; the raiser gives the message.
class AdsConnectionError : public Exception {
public:
    explicit AdsConnectionError(const QString &acMsg) : Exception(acMsg) {}
    const char *className() const override { return "AdsConnectionError"; }
};

// A failed engine disconnect, with the engine's last-error text.
class AdsError : public Exception {
public:
    explicit AdsError(quint32 ulRetCode);
    const char *className() const override { return "AdsError"; }
};

// True on this thread while an EADSDatabaseError describes itself; engine failures met
// meanwhile are not raised.
extern thread_local bool bErrorUnderConstruction;

// The one place where engine return codes become exceptions: 0 returns, anything else
// raises an EADSDatabaseError with the engine's own text.
void RaiseOnAceError(const TDataSetBase *dataSet, quint32 code);

// The engine's last error as (code, text); the text is empty when the engine gives none.
struct AceLastError {
    quint32 code = 0;
    QString text;
    quint32 callResult = 0;
};
AceLastError readAceLastError(quint32 code);
