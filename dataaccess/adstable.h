#pragma once

#include "adsfunc.h"

#include <QStringList>
#include <QVariant>

enum class TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

// One parameter of a query: name, data type, direction, value and whether it was bound.
struct TParam {
    QString Name;
    TFieldType DataType = TFieldType::ftUnknown;
    TParamType ParamType = TParamType::ptUnknown;
    QVariant Value; // invalid: empty; null QVariant of a type: null
    bool Bound = false;
    int Size = 0;
    int Precision = 0;
    int NumericScale = 0;

    bool IsNull() const { return !Value.isValid() || Value.isNull(); }
    // A string value makes the type wide string (a fixed wide char type stays).
    void setAsString(const QString &value);
    void Clear();
};

using TParams = QList<TParam>;

// The parameter names of an SQL text, in order of appearance.
QStringList ParseSQLParams(const QString &text);

// Runs one SQL statement through the client engine and presents its cursor as a
// read-only result set. The statement outlives the result and is reused by every opening
// until the connection disconnects.
class TAdsQuery : public TAdsExtendedDataSet {
    Q_OBJECT
public:
    explicit TAdsQuery(QObject *owner = nullptr);
    ~TAdsQuery() override;

    QStringList SQL() const { return mSQL; }
    void setSQL(const QStringList &lines);
    QString Text() const;

    TParams &Params() { return moParams; }
    TParam &ParamByName(const QString &name);
    int ParamCount() const { return int(moParams.size()); }
    bool ParamCheck() const { return mbParamCheck; }
    void setParamCheck(bool on) { mbParamCheck = on; }

    bool Prepared() const { return mbPrepared; }
    void setPrepared(bool on) { on ? Prepare() : UnPrepare(); }
    void Prepare();
    void UnPrepare();

    bool RequestLive() const { return mbRequestLive; }
    void setRequestLive(bool on) { mbRequestLive = on; }
    bool Constrained() const { return mbConstrained; }
    void setConstrained(bool on) { mbConstrained = on; }
    bool ReadAllColumns() const { return mbReadAllColumns; }
    void setReadAllColumns(bool on) { mbReadAllColumns = on; }
    TAdsTableTypes SourceTableType() const { return meTableType; }
    void SetTableType(TAdsTableTypes type);
    quint32 SQLTimeout() const { return FSQLTimeout; }
    void setSQLTimeout(quint32 timeout);
    qint32 RowsAffected() const { return mlRowsAffected; }
    quint32 StmtHandle() const { return mhStmt; }

    void setAdsConnection(TAdsConnection *connection) override;
    void InvalidateAceHandles() override;
    void AdsCloseSQLStatement();
    void ExecSQL();

    [[noreturn]] void Constraints() const;
    [[noreturn]] void UpdateObject() const;

    // Reading from a window's stored description: the SQL text reaches the engine as it
    // is read; the parameter list is the stored one, not parsed.
    void BeginLoading() { m_loading = true; }
    void setStoredParams(const TParams &params) { moParams = params; }
    void Loaded() { m_loading = false; }

protected:
    quint32 CreateCursor() override;
    void InternalClose() override;

private:
    void SQLChanged();
    // The steps of executing, in order.
    void AcquireStatement();
    void SetStatementOptions();
    quint32 ExecuteStatement();
    quint32 Execute();
    void ReadCursorKind(quint32 cursor);
    void ReadRowsAffected();
    void BindParameters();
    EADSDatabaseError ownError(const QString &message) const;

    QStringList mSQL;
    bool mbPrepared = false;
    bool mbReadAllColumns = false;
    TParams moParams;
    bool mbRequestLive = false;
    bool mbConstrained = false;
    bool mbParamCheck = true;
    quint32 mhStmt = NoAceHandle;
    quint32 mhConnection = NoAceHandle;
    qint32 mlRowsAffected = -1;
    QByteArray mpucSQLBinary;
    quint32 FSQLTimeout = 0;
    bool m_loading = false;
    bool m_opening = false;
};
