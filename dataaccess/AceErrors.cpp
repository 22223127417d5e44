#include "AceErrors.h"

#include "AceCodes.h"
#include "DataSet.h"
#include "ace.h"

#include <cstring>

thread_local bool bErrorUnderConstruction = false;

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

} // namespace

EADSDatabaseError::EADSDatabaseError(const TDataSetBase *oDataSet, quint32 ulErrCode,
                                     const QString &strMsg)
{
    if (bErrorUnderConstruction)
        return;
    bErrorUnderConstruction = true;
    ulACEError = ulErrCode;
    try {
        if (oDataSet) {
            strDataSetInstanceName = oDataSet->objectName();
            if (const QObject *owner = oDataSet->parent())
                strDataSetInstanceOwner = owner->objectName();
            strDatabaseName = oDataSet->DatabaseName();
            strDatabasePath = oDataSet->DatabasePath();
            strTableName = oDataSet->TableName();
            if (ulErrCode >= acecode::ColumnCodesFirst && ulErrCode <= acecode::ColumnCodesLast)
                strColumnName = columnNamed(strMsg);
        }
        ulSQLErrorCode = 0;
        const QString upper = strMsg.toUpper();
        const QString native = QLatin1String(acecode::NativeErrorMarker);
        if (upper.contains(QLatin1String(acecode::SqlErrorMarker)) && upper.contains(native)) {
            QString number = upper.mid(upper.indexOf(native) + native.size());
            const qsizetype end = number.indexOf(QLatin1Char(';'));
            if (end >= 0)
                number.truncate(end);
            bool ok = false;
            const int value = number.toInt(&ok);
            if (ok)
                ulSQLErrorCode = static_cast<quint32>(value);
        }
    } catch (...) {
        // What could be gathered stays; describing an error never replaces it.
    }
    setMessage(strDataSetInstanceName.isEmpty()
                   ? strMsg
                   : strDataSetInstanceName + QStringLiteral(": ") + strMsg);
    bErrorUnderConstruction = false;
}

EADSDatabaseError::~EADSDatabaseError()
{
    bErrorUnderConstruction = false;
}

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

void RaiseOnAceError(const TDataSetBase *dataSet, quint32 code)
{
    if (code == 0 || bErrorUnderConstruction)
        return;
    AceLastError last = readAceLastError(code);
    if (last.text.isEmpty() && last.callResult != 0)
        last.text = QStringLiteral("Error %1 (the client engine gave no description)").arg(code);
    throw EADSDatabaseError(dataSet, last.code, last.text);
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
