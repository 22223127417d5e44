#include "adstable.h"

#include "AceCodes.h"
#include "ace.h"
#include "adscnnct.h"
#include <QCoreApplication>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(DataSet)
};

} // namespace

namespace {

constexpr quint32 OwnErrorCode = acecode::InvalidDataSet;
const QString OpenDataSet = QStringLiteral("Cannot perform this operation on an open dataset");

bool validHandle(quint32 handle)
{
    return handle != 0 && handle != NoAceHandle;
}

} // namespace

void TParam::setAsString(const QString &value)
{
    if (DataType != TFieldType::ftWideString)
        DataType = TFieldType::ftWideString;
    Value = value;
    Bound = true;
}

void TParam::Clear()
{
    Value = QVariant();
}

QStringList ParseSQLParams(const QString &text)
{
    QStringList names;
    const auto isQuote = [](QChar c) {
        return c == QLatin1Char('"') || c == QLatin1Char('\'') || c == QLatin1Char('`');
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (isQuote(c)) {
            const qsizetype close = text.indexOf(c, i + 1);
            i = close < 0 ? text.size() : close;
            continue;
        }
        if (c != QLatin1Char(':'))
            continue;
        if (i + 1 < text.size() && text[i + 1] == QLatin1Char(':')) {
            ++i; // "::" is one literal colon
            continue;
        }
        if (i + 1 < text.size() && isQuote(text[i + 1])) {
            const qsizetype close = text.indexOf(text[i + 1], i + 2);
            const qsizetype end = close < 0 ? text.size() : close;
            names.append(text.mid(i + 2, end - i - 2));
            i = end;
            continue;
        }
        qsizetype end = i + 1;
        while (end < text.size()) {
            const QChar n = text[end];
            if (n == QLatin1Char('\n') || n == QLatin1Char('\r') || n == QLatin1Char(' ') ||
                n == QLatin1Char(')') || n == QLatin1Char(',') || n == QLatin1Char(';'))
                break;
            ++end;
        }
        names.append(text.mid(i + 1, end - i - 1));
        i = end - 1;
    }
    return names;
}

TAdsQuery::TAdsQuery(QObject *owner) : TAdsExtendedDataSet(owner) {}

TAdsQuery::~TAdsQuery()
{
    const bool connected = mpoAdsConnection && mpoAdsConnection->IsConnected();
    try {
        setActive(false);
    } catch (...) {
        // Destruction completes whatever the engine says.
    }
    setAdsConnection(nullptr);
    if (mhStmt != NoAceHandle && (validHandle(mhConnection) || connected)) {
        const UNSIGNED32 answer = ace::AdsCloseSQLStatement(mhStmt);
        (void)answer; // closed already (StatementAlreadyClosed), or nothing can be done now
        mhStmt = NoAceHandle;
    }
}

EADSDatabaseError TAdsQuery::ownError(const QString &message) const
{
    return EADSDatabaseError(errorContext(), OwnErrorCode, message);
}

QString TAdsQuery::Text() const
{
    QString text;
    for (const QString &line : mSQL)
        text += line + QStringLiteral("\r\n");
    return text;
}

void TAdsQuery::setSQL(const QStringList &lines)
{
    if (lines == mSQL)
        return;
    if (!m_loading) {
        Close();
        UnPrepare();
    }
    mSQL = lines;
    SQLChanged();
}

void TAdsQuery::SQLChanged()
{
    QByteArray ansi = Text().toLocal8Bit();
    RaiseOnAceError(this, ace::AdsGetSQLStmtParams(reinterpret_cast<UNSIGNED8 *>(ansi.data())));
    const QString roundTripped = QString::fromLocal8Bit(ansi);
    if (m_loading)
        return;
    Close();
    UnPrepare();
    mpucSQLBinary.clear();
    if (mbParamCheck) {
        TParams fresh;
        for (const QString &name : ParseSQLParams(roundTripped)) {
            TParam param;
            param.Name = name;
            fresh.append(param);
        }
        for (const TParam &old : moParams) {
            for (TParam &param : fresh) {
                if (param.Name.compare(old.Name, Qt::CaseInsensitive) != 0)
                    continue;
                const TParamType direction = param.ParamType;
                param = old;
                if (direction != TParamType::ptUnknown)
                    param.ParamType = direction;
                break;
            }
        }
        moParams = fresh;
    }
}

TParam &TAdsQuery::ParamByName(const QString &name)
{
    for (TParam &param : moParams)
        if (param.Name.compare(name, Qt::CaseInsensitive) == 0)
            return param;
    const QString message = Texts::tr("Parameter '%1' nicht gefunden").arg(name);
    throw EDataAccessError(objectName().isEmpty() ? message
                                                  : objectName() + QStringLiteral(": ") + message);
}

void TAdsQuery::Prepare()
{
    if (Active())
        throw ownError(OpenDataSet);
    mbPrepared = true;
    mlRowsAffected = -1;
}

void TAdsQuery::UnPrepare()
{
    if (Active())
        throw ownError(OpenDataSet);
    mbPrepared = false;
}

void TAdsQuery::SetTableType(TAdsTableTypes type)
{
    if (type == TAdsTableTypes::ttAdsNTX &&
        !(mpoAdsConnection && mpoAdsConnection->IsDictionaryConn()))
        throw ownError(
            QStringLiteral("The TAdsQuery component does not support the NTX table type"));
    meTableType = type;
}

void TAdsQuery::setSQLTimeout(quint32 timeout)
{
    FSQLTimeout = timeout;
    if (mhStmt != NoAceHandle)
        RaiseOnAceError(this, ace::AdsSetSQLTimeout(mhStmt, timeout));
}

void TAdsQuery::setAdsConnection(TAdsConnection *connection)
{
    if (Active())
        throw ownError(QStringLiteral("Table must not be Active."));
    TAdsExtendedDataSet::setAdsConnection(connection);
}

void TAdsQuery::Constraints() const
{
    throw ownError(QStringLiteral("The property \"Constraints\" is not supported."));
}

void TAdsQuery::UpdateObject() const
{
    throw ownError(QStringLiteral("The property \"UpdateObject\" is not supported."));
}

void TAdsQuery::InvalidateAceHandles()
{
    UnPrepare();
    mhStmt = NoAceHandle;
    mhConnection = NoAceHandle;
}

void TAdsQuery::AdsCloseSQLStatement()
{
    if (Active())
        throw ownError(OpenDataSet);
    if (mhStmt != NoAceHandle) {
        const UNSIGNED32 answer = ace::AdsCloseSQLStatement(mhStmt);
        if (answer != acecode::StatementAlreadyClosed)
            RaiseOnAceError(this, answer);
    }
    mhStmt = NoAceHandle;
    mhConnection = NoAceHandle;
}

void TAdsQuery::AcquireStatement()
{
    if (mhStmt != NoAceHandle) {
        UNSIGNED16 type = 0;
        if (ace::AdsGetHandleType(mhStmt, &type) == 0 && type == ADS_STATEMENT)
            return;
    }
    mhStmt = NoAceHandle;
    if (mstrDatabaseName.isEmpty() && !mpoAdsConnection)
        throw ownError(QStringLiteral("The DatabaseName property has not been assigned a value."));
    const quint32 connection = ConnectAndGetHandle();
    if (!validHandle(connection))
        throw ownError(QStringLiteral("Internal Error: invalid connection handle."));
    ADSHANDLE statement = 0;
    RaiseOnAceError(this, ace::AdsCreateSQLStatement(connection, &statement));
    mhStmt = statement;
    if (FSQLTimeout != 0)
        RaiseOnAceError(this, ace::AdsSetSQLTimeout(mhStmt, FSQLTimeout));
}

void TAdsQuery::BindParameters()
{
    for (int i = 0; i < moParams.size(); ++i) {
        const TParam &param = moParams[i];
        UNSIGNED8 *number = ADSFIELD(unsigned(i + 1));
        if (param.IsNull()) {
            RaiseOnAceError(this, ace::AdsSetEmpty(mhStmt, number));
            continue;
        }
        switch (param.DataType) {
        case TFieldType::ftWideString:
        case TFieldType::ftWideMemo: {
            std::u16string value = param.Value.toString().toStdU16String();
            RaiseOnAceError(this, ace::AdsSetStringW(mhStmt, number,
                                                     reinterpret_cast<WCHAR16 *>(value.data()),
                                                     UNSIGNED32(value.size())));
            break;
        }
        case TFieldType::ftUnknown:
            throw ownError(QStringLiteral("The field named: '") + param.Name +
                           QStringLiteral("' has the DataType of ftUnknown, which is invalid."));
        default:
            throw ownError(QStringLiteral("The field named: '") + param.Name +
                           QStringLiteral("' has a DataType that is not supported."));
        }
    }
}

quint32 TAdsQuery::ExecuteStatement()
{
    if (Active())
        throw ownError(OpenDataSet);
    AcquireStatement();
    SetStatementOptions();
    Prepare();
    std::u16string sql = Text().toStdU16String();
    RaiseOnAceError(this, ace::AdsPrepareSQLW(mhStmt, reinterpret_cast<WCHAR16 *>(sql.data())));
    BindParameters();
    const quint32 cursor = Execute();
    if (cursor == NoAceHandle)
        return NoAceHandle;
    ReadCursorKind(cursor);
    ReadRowsAffected();
    return cursor;
}

void TAdsQuery::SetStatementOptions()
{
    const TAdsTableOptions &options = *mpoAdsTableOptions;
    RaiseOnAceError(this, ace::AdsStmtSetTableLockType(mhStmt, options.meAdsLockType ==
                                                                       TAdsLockType::Proprietary
                                                                   ? aceoption::LockProprietary
                                                                   : aceoption::LockCompatible));
    QString collation = options.mstrCollation;
    if (collation.isEmpty())
        collation = options.meAdsCharType == int(TAdsCharType::OEM) ? QStringLiteral("OEM")
                                                                    : QStringLiteral("ANSI");
    QByteArray collation8 = collation.toLocal8Bit();
    RaiseOnAceError(this, ace::AdsStmtSetTableCollation(
                              mhStmt, reinterpret_cast<UNSIGNED8 *>(collation8.data())));
    RaiseOnAceError(this, ace::AdsStmtSetTableRights(mhStmt, options.mbAdsRightsCheck
                                                                 ? aceoption::RightsCheck
                                                                 : aceoption::RightsIgnore));
    RaiseOnAceError(this, ace::AdsStmtSetTableReadOnly(mhStmt, mbRequestLive
                                                                   ? aceoption::CursorReadWrite
                                                                   : aceoption::CursorReadOnly));
    if (mpoAdsConnection && mpoAdsConnection->ReadOnly())
        RaiseOnAceError(this, ace::AdsStmtSetTableReadOnly(mhStmt, aceoption::CursorReadOnly));
    UNSIGNED16 tableType = aceoption::TableNtx;
    if (meTableType == TAdsTableTypes::ttAdsADT)
        tableType = aceoption::TableAdt;
    else if (meTableType == TAdsTableTypes::ttAdsCDX)
        tableType = aceoption::TableCdx;
    else if (meTableType == TAdsTableTypes::ttAdsVFP)
        tableType = aceoption::TableVfp;
    RaiseOnAceError(this, ace::AdsStmtSetTableType(mhStmt, tableType));
    RaiseOnAceError(this,
                    ace::AdsStmtConstrainUpdates(mhStmt, mbConstrained ? aceoption::Constrain
                                                                       : aceoption::NoConstrain));
    RaiseOnAceError(this, ace::AdsStmtReadAllColumns(mhStmt, mbReadAllColumns
                                                                 ? aceoption::ReadAllColumns
                                                                 : aceoption::ReadSelectedColumns));
}

quint32 TAdsQuery::Execute()
{
    ADSHANDLE cursor = 0;
    try {
        RaiseOnAceError(this, ace::AdsExecuteSQL(mhStmt, &cursor));
    } catch (const EADSDatabaseError &error) {
        if (error.message().contains(QLatin1String(acecode::StatementLostText))) {
            // The statement is gone on the server: forget it so the next opening makes one.
            // Its own answer does not replace the execution's error.
            ace::AdsCloseSQLStatement(mhStmt);
            mhStmt = NoAceHandle;
            mhConnection = NoAceHandle;
        }
        throw;
    }
    return cursor == 0 ? NoAceHandle : cursor;
}

void TAdsQuery::ReadCursorKind(quint32 cursor)
{
    UNSIGNED8 live = 0;
    RaiseOnAceError(this, ace::AdsSqlPeekStatement(cursor, &live));
    mbReadOnly = live == 0;
    if (live != 1) {
        musOpenCharType = 0;
        return;
    }
    UNSIGNED16 charType = 0;
    RaiseOnAceError(this, ace::AdsGetTableCharType(cursor, &charType));
    musOpenCharType = charType;
    UNSIGNED8 tableCollation[101] = {};
    UNSIGNED16 length = 100;
    const UNSIGNED32 answer = ace::AdsGetTableCollation(cursor, tableCollation, &length);
    // No collation of its own: the character type names the options' one (ANSI, OEM).
    if (answer == acecode::PropertyNotSet || (answer == 0 && tableCollation[0] == 0))
        mpoAdsTableOptions->meAdsCharType = musOpenCharType - aceoption::CharAnsi;
    else
        RaiseOnAceError(this, answer);
}

void TAdsQuery::ReadRowsAffected()
{
    UNSIGNED32 rows = 0;
    const UNSIGNED32 counted = ace::AdsGetRecordCount(mhStmt, aceoption::IgnoreFilters, &rows);
    if (counted == acecode::RecordCountUnknown) {
        mlRowsAffected = -1;
        return;
    }
    RaiseOnAceError(this, counted);
    mlRowsAffected = qint32(rows);
}

quint32 TAdsQuery::CreateCursor()
{
    const quint32 cursor = ExecuteStatement();
    if (cursor == NoAceHandle)
        throw ownError(QStringLiteral("The SQL statement did not generate a cursor handle.  Use "
                                      "TAdsQuery.ExecSQL to execute SQL statements that are not "
                                      "SELECT statements"));
    UNSIGNED16 type = 0;
    try {
        RaiseOnAceError(this, ace::AdsGetTableType(cursor, &type));
    } catch (...) {
        ace::AdsCloseTable(cursor);
        throw;
    }
    musAceTableType = type;
    return cursor;
}

void TAdsQuery::ExecSQL()
{
    const quint32 cursor = ExecuteStatement();
    if (cursor != NoAceHandle)
        ace::AdsCloseTable(cursor);
}

void TAdsQuery::InternalClose()
{
    TAdsExtendedDataSet::InternalClose();
    mbPrepared = false;
}
