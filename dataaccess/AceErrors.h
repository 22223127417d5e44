#pragma once

#include "DataErrors.h"

#include <QString>
#include <optional>

// The values of the dataset an error belongs to, taken when the error is raised: the error
// keeps them and never asks the dataset (or its connection) itself.
struct DataSetContext {
    QString name;
    QString owner; // the component name of the dataset's window; empty without one
    QString databaseName;
    QString databasePath;
    QString tableName;
};

// Whatever an error can belong to gives its values through this: a dataset does.
class ErrorContextSource {
public:
    // The values an error of this source carries, taken now.
    virtual DataSetContext errorContext() const = 0;

protected:
    ~ErrorContextSource() = default;
};

// An engine failure, or one of a dataset's own checks, with the context of the dataset it
// belongs to. Its message carries the dataset's name and ": " in front.
class EADSDatabaseError : public EDataAccessError {
public:
    // oDataSet: none for the connection's failures.
    EADSDatabaseError(const std::optional<DataSetContext> &oDataSet, quint32 ulErrCode,
                      const QString &strMsg);

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

// The engine's last error after a call failed with code: the engine's code and text, or,
// when the engine cannot describe the failure, the code with a text that says so.
struct AceFailure {
    quint32 code = 0;
    QString text;
};
AceFailure readAceFailure(quint32 code);

// True on this thread while a dataset gathers the values for an error: an engine failure
// met meanwhile is not raised, and an error raised meanwhile gets no values.
extern thread_local bool bErrorUnderConstruction;

// The one place where engine return codes become exceptions: 0 returns, anything else
// raises an EADSDatabaseError with the engine's own text and the values of the dataset
// (none for a connection's calls).
void RaiseOnAceError(const ErrorContextSource *dataSet, quint32 code);
