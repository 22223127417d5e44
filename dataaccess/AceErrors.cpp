#include "AceErrors.h"

#include "AceCodes.h"
#include "ace.h"

#include <cstring>

namespace {

// The column a message of the column codes names: column "Name".
QString columnNamed(const QString &message)
{
    const QString marker = QStringLiteral("column \"");
    const qsizetype at = message.indexOf(marker);
    if (at < 0)
        return {};
    const QString rest = message.mid(at + marker.size(), 900);
    const qsizetype quote = rest.indexOf(QLatin1Char('"'));
    return quote < 0 ? rest : rest.left(quote);
}

// The SQL engine's native code of an "ERROR 7200:" message; 0 when it names none.
quint32 nativeErrorOf(const QString &message)
{
    const QString upper = message.toUpper();
    const QString native = QLatin1String(acecode::NativeErrorMarker);
    if (!upper.contains(QLatin1String(acecode::SqlErrorMarker)) || !upper.contains(native))
        return 0;
    QString number = upper.mid(upper.indexOf(native) + native.size());
    const qsizetype end = number.indexOf(QLatin1Char(';'));
    if (end >= 0)
        number.truncate(end);
    bool ok = false;
    const int value = number.toInt(&ok);
    return ok ? static_cast<quint32>(value) : 0;
}

struct AceLastError {
    quint32 code = 0;
    QString text;
    quint32 callResult = 0;
};

AceLastError readAceLastError(quint32 code)
{
    AceLastError last;
    UNSIGNED32 errorCode = code;
    UNSIGNED8 buffer[601] = {};
    UNSIGNED16 length = 600;
    last.callResult = ace::AdsGetLastError(&errorCode, buffer, &length);
    last.code = errorCode;
    const char *text = reinterpret_cast<const char *>(buffer);
    last.text = QString::fromLocal8Bit(text, static_cast<qsizetype>(strnlen(text, sizeof buffer)));
    return last;
}

} // namespace

EADSDatabaseError::EADSDatabaseError(const std::optional<DataSetContext> &oDataSet,
                                     quint32 ulErrCode, const QString &strMsg)
    : ulACEError(ulErrCode), ulSQLErrorCode(nativeErrorOf(strMsg))
{
    if (oDataSet) {
        strDataSetInstanceName = oDataSet->name;
        strDataSetInstanceOwner = oDataSet->owner;
        strDatabaseName = oDataSet->databaseName;
        strDatabasePath = oDataSet->databasePath;
        strTableName = oDataSet->tableName;
        if (ulErrCode >= acecode::ColumnCodesFirst && ulErrCode <= acecode::ColumnCodesLast)
            strColumnName = columnNamed(strMsg);
    }
    setMessage(strDataSetInstanceName.isEmpty()
                   ? strMsg
                   : strDataSetInstanceName + QStringLiteral(": ") + strMsg);
}

AceFailure readAceFailure(quint32 code)
{
    const AceLastError last = readAceLastError(code);
    if (last.text.isEmpty() && last.callResult != 0)
        return {last.code,
                QStringLiteral("Error %1 (the client engine gave no description)").arg(code)};
    return {last.code, last.text};
}

AdsError::AdsError(quint32)
{
    const AceLastError last = readAceLastError(0);
    if (last.callResult != 0) {
        UNSIGNED8 title[] = "Ads Exception Error";
        ace::AdsShowError(title);
        return;
    }
    setMessage(last.text);
}

thread_local bool bErrorUnderConstruction = false;

void RaiseOnAceError(const ErrorContextSource *dataSet, quint32 code)
{
    if (code == 0 || bErrorUnderConstruction)
        return;
    // Read before the dataset is asked anything, so nothing can overwrite it.
    const AceFailure failure = readAceFailure(code);
    throw EADSDatabaseError(dataSet ? std::optional(dataSet->errorContext()) : std::nullopt,
                            failure.code, failure.text);
}
