#include "adsdata.h"

#include "AceCodes.h"
#include "AceFieldTypes.h"
#include "FieldValues.h"
#include "ace.h"
#include "adscnnct.h"

#include <cstring>

thread_local bool bErrorUnderConstruction = false;

namespace {
constexpr quint32 acecodeInvalidDataSet = 5121;
}

namespace {

// The column a 5147..5149 message names: column "Name".
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

EADSDatabaseError::EADSDatabaseError(const TAdsDataSet *oDataSet, quint32 ulErrCode,
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
            if (ulErrCode >= 5147 && ulErrCode <= 5149)
                strColumnName = columnNamed(strMsg);
        }
        ulSQLErrorCode = 0;
        const QString upper = strMsg.toUpper();
        const QString native = QStringLiteral("NATIVEERROR = ");
        if (upper.contains(QLatin1String("ERROR 7200:")) && upper.contains(native)) {
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

void RaiseOnAceError(const TAdsDataSet *dataSet, quint32 code)
{
    if (code == 0 || bErrorUnderConstruction)
        return;
    AceLastError last = readAceLastError(code);
    if (last.text.isEmpty() && last.callResult != 0)
        last.text = QStringLiteral("Error %1 (the client engine gave no description)").arg(code);
    throw EADSDatabaseError(dataSet, last.code, last.text);
}

int TACEFieldDefs::IndexOf(const QString &FieldName) const
{
    for (int i = 0; i < Count(); ++i)
        if (m_items[i].FName.compare(FieldName, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

TAdsDataSet::TAdsDataSet(QObject *owner)
    : TDataSetBase(owner), mpoAdsTableOptions(std::make_unique<TAdsTableOptions>())
{
}

TAdsDataSet::~TAdsDataSet()
{
    if (mpoAdsConnection)
        mpoAdsConnection->RemoveTableFromConnectList(this);
}

void TAdsDataSet::setAdsConnection(TAdsConnection *connection)
{
    if (connection == mpoAdsConnection)
        return;
    if (mpoAdsConnection)
        mpoAdsConnection->RemoveTableFromConnectList(this);
    mpoAdsConnection = connection;
    if (mpoAdsConnection)
        mpoAdsConnection->AddTableToConnectList(this);
}

QString TAdsDataSet::DatabasePath() const
{
    return mpoAdsConnection ? mpoAdsConnection->GetConnectionPath() : mstrDatabaseName;
}

quint32 TAdsDataSet::CreateCursor()
{
    throw EADSDatabaseError(this, acecodeInvalidDataSet, QStringLiteral("This dataset cannot create a cursor."));
}

quint32 TAdsDataSet::ConnectAndGetHandle()
{
    if (!mpoAdsConnection)
        return 0;
    if (!mpoAdsConnection->IsConnected())
        mpoAdsConnection->setIsConnected(true);
    return mpoAdsConnection->ConnectionHandle();
}

void TAdsDataSet::InternalOpen()
{
    if (mlHandle != NoAceHandle)
        throw EADSDatabaseError(this, acecodeInvalidDataSet, QStringLiteral("Table is already open."));
    if (mlActiveHandle == NoAceHandle) {
        mlHandle = CreateCursor();
    } else {
        mlHandle = mlActiveHandle;
        UNSIGNED16 type = 0;
        RaiseOnAceError(this, ace::AdsGetTableType(mlHandle, &type));
        musAceTableType = type;
    }

    UNSIGNED32 length = 0;
    RaiseOnAceError(this, ace::AdsGetRecordLength(mlHandle, &length));

    UNSIGNED32 options = 0;
    RaiseOnAceError(this, ace::AdsGetTableOpenOptions(mlHandle, &options));
    mulTableOptions = options;
    mbCanModify = (options & 2) == 0;
    if (mbCanModify && (options & 1)) {
        UNSIGNED8 live = 0;
        if (ace::AdsSqlPeekStatement(mlHandle, &live) == 0 && live == 0)
            mbExclusive = true;
    }

    if (mpoAdsTableOptions->meAdsRecordCache == TAdsRecordCache::rcNone)
        RaiseOnAceError(this, ace::AdsCacheRecords(mlHandle, 0));
    else if (mpoAdsTableOptions->meAdsRecordCache == TAdsRecordCache::rcAggressive)
        RaiseOnAceError(this, ace::AdsCacheRecords(mlHandle, 100));

    ADSHANDLE index = 0;
    UNSIGNED16 indexCount = 1;
    const UNSIGNED32 indexes = ace::AdsGetAllIndexes(mlHandle, &index, &indexCount);
    UNSIGNED32 pageSize = 0;
    if ((indexes == 0 || indexes == 5005) && ace::AdsGetIndexPageSize(index, &pageSize) != 0)
        pageSize = 0;
    mpoAdsTableOptions->mulIndexPageSize = pageSize;

    musRecordSize = musRecBufSize = int(length);

    UNSIGNED32 bookmarkLength = 0;
    const quint32 bookmarkHandle =
        (mlActiveHandle == NoAceHandle || mlActiveHandle == 0) ? mlHandle : mlActiveHandle;
    RaiseOnAceError(this, ace::AdsGetBookmarkLength(bookmarkHandle, &bookmarkLength));

    UNSIGNED16 columns = 0;
    RaiseOnAceError(this, ace::AdsGetNumFields(mlHandle, &columns));
    QByteArray keyBuffer(musRecordSize + 2 * columns + 12, '\0');
    UNSIGNED32 nullLength = UNSIGNED32(keyBuffer.size());
    RaiseOnAceError(this, ace::AdsGetNullRecord(mlHandle, reinterpret_cast<UNSIGNED8 *>(keyBuffer.data()),
                                                &nullLength));
    m_keyBuffers.assign(6, keyBuffer);

    BuildFieldDefs();

    m_blobFields = 0;
    for (int i = 0; i < FACEFieldDefs.Count(); ++i) {
        const quint16 type = FACEFieldDefs.Items(i).FType;
        if (type == 5 || type == 6 || type == 7 || type == 8 || type == 28 || type == 51 || type == 52)
            ++m_blobFields;
    }
    musBlobCacheOfs = musRecordSize;
    musRecInfoOfs = musBlobCacheOfs + 4 * m_blobFields;
    musBookmarkOfs = musRecInfoOfs + 8;
    RaiseOnAceError(this, ace::AdsGetBookmarkLength(bookmarkHandle, &bookmarkLength));
    musRecBufSize = musBookmarkOfs + int(bookmarkLength);

    UNSIGNED16 indexTotal = 0;
    RaiseOnAceError(this, ace::AdsGetNumIndexes(mlHandle, &indexTotal));
    if (indexTotal > 0) {
        std::vector<ADSHANDLE> handles(indexTotal);
        UNSIGNED16 count = indexTotal;
        RaiseOnAceError(this, ace::AdsGetAllIndexes(mlHandle, handles.data(), &count));
        for (UNSIGNED16 i = 0; i < count; ++i) {
            UNSIGNED8 name[201] = {};
            UNSIGNED16 nameLength = 200;
            RaiseOnAceError(this, ace::AdsGetIndexName(handles[i], name, &nameLength));
        }
    }

    mlActiveHandle = mlHandle;
    RaiseOnAceError(this, ace::AdsGotoBOF(mlActiveHandle));
}

namespace {

struct KindAndSize {
    TFieldType kind;
    int size;
};

} // namespace

void TAdsDataSet::BuildFieldDefs()
{
    UNSIGNED16 count = 0;
    RaiseOnAceError(this, ace::AdsGetNumFields(mlHandle, &count));
    m_fieldDefs.clear();
    FACEFieldDefs.Clear();
    for (UNSIGNED16 c = 1; c <= count; ++c) {
        UNSIGNED16 type = 0;
        UNSIGNED32 length = 0;
        RaiseOnAceError(this, ace::AdsGetFieldType(mlHandle, ADSFIELD(c), &type));
        RaiseOnAceError(this, ace::AdsGetFieldLength(mlHandle, ADSFIELD(c), &length));
        UNSIGNED16 decimals = 0;
        if (type == 2)
            RaiseOnAceError(this, ace::AdsGetFieldDecimals(mlHandle, ADSFIELD(c), &decimals));

        KindAndSize mapped{TFieldType::ftUnknown, 0};
        switch (type) {
        case 1: mapped = {TFieldType::ftBoolean, 0}; break;
        case 2:
            if (musAceTableType == 3 && !mpoAdsTableOptions->mbNumericsAsFloats) {
                mapped = (decimals <= 4 && length <= 18) ? KindAndSize{TFieldType::ftBCD, decimals}
                                                         : KindAndSize{TFieldType::ftFMTBcd, decimals};
            } else {
                mapped = (decimals > 0 || length > 4) ? KindAndSize{TFieldType::ftFloat, 0}
                                                      : KindAndSize{TFieldType::ftSmallint, 0};
            }
            break;
        case 3: case 9: mapped = {TFieldType::ftDate, 0}; break;
        case 4: case 20: case 23: mapped = {TFieldType::ftString, int(length)}; break;
        case 5: case 8: mapped = {TFieldType::ftMemo, 1}; break;
        case 6: case 7: case 51: case 52: mapped = {TFieldType::ftBlob, 1}; break;
        case 10: mapped = {TFieldType::ftFloat, 0}; break;
        case 11: mapped = {TFieldType::ftInteger, 0}; break;
        case 12: mapped = {TFieldType::ftSmallint, 0}; break;
        case 13: mapped = {TFieldType::ftTime, 0}; break;
        case 14: case 22: mapped = {TFieldType::ftDateTime, 0}; break;
        case 15: mapped = {TFieldType::ftAutoInc, 0}; break;
        case 16: mapped = {TFieldType::ftBytes, int(length)}; break;
        case 17: mapped = {TFieldType::ftCurrency, 0}; break;
        case 18: mapped = {TFieldType::ftBCD, 4}; break;
        case 19: mapped = {TFieldType::ftLargeint, 0}; break;
        case 21: mapped = {TFieldType::ftBCD, 0}; break;
        case 24: mapped = {TFieldType::ftVarBytes, int(length)}; break;
        case 26: case 27: mapped = {TFieldType::ftWideString, int(length)}; break;
        case 28: mapped = {TFieldType::ftWideMemo, 1}; break;
        case 29: mapped = {TFieldType::ftGuid, 38}; break;
        default:
            throw EADSDatabaseError(this, acecodeInvalidDataSet,
                                    QStringLiteral("Unknown field type (%1) encountered.").arg(type));
        }

        UNSIGNED8 name[129] = {};
        UNSIGNED16 nameLength = 129;
        RaiseOnAceError(this, ace::AdsGetFieldName(mlHandle, c, name, &nameLength));
        const QByteArray name8(reinterpret_cast<const char *>(name));
        TFieldDef def;
        def.Name = QString::fromLocal8Bit(name8);
        def.DataType = mapped.kind;
        def.Size = mapped.size;
        def.FieldNo = c;
        if (type == 2 && (mapped.kind == TFieldType::ftBCD || mapped.kind == TFieldType::ftFMTBcd))
            def.Precision = int(length) - (decimals > 0 ? 2 : 1);
        else if (mapped.kind == TFieldType::ftBCD)
            def.Precision = 20;
        m_fieldDefs.append(def);

        UNSIGNED16 nullable = 0;
        QByteArray nameArgument = name8;
        RaiseOnAceError(this, ace::AdsIsNullable(mlHandle, reinterpret_cast<UNSIGNED8 *>(nameArgument.data()),
                                                 &nullable));
        TACEFieldDef ace;
        ace.FName = def.Name;
        ace.FNumber = c;
        ace.FLength = (type == 26 || type == 27) ? qint32(length) * 2 : qint32(length);
        ace.FType = type;
        ace.FDecimals = type == 2 ? decimals : 0;
        ace.FNullable = nullable != 0;
        UNSIGNED32 offset = 0;
        RaiseOnAceError(this, ace::AdsGetFieldOffset(mlHandle, ADSFIELD(c), &offset));
        // The decoders read what the type needs; a column too short for it, or outside the
        // row, is refused here rather than read.
        if (!acetype::columnFits(type, offset, std::uint64_t(ace.FLength), std::uint64_t(musRecordSize)))
            throw EADSDatabaseError(this, acecode::ColumnDoesNotFit,
                                    QStringLiteral("Field length does not fit its type (field \"%1\", type %2, "
                                                   "length %3, offset %4, record length %5).")
                                        .arg(def.Name)
                                        .arg(type)
                                        .arg(ace.FLength)
                                        .arg(offset)
                                        .arg(musRecordSize));
        ace.FOffset = int(offset);
        UNSIGNED8 permissions = 0;
        RaiseOnAceError(this, ace::AdsGetColumnPermissions(mlHandle, ADSFIELD(c), &permissions));
        ace.FPermissions = permissions;
        FACEFieldDefs.Add(ace);
    }
}

void TAdsDataSet::CreateFields()
{
    m_fields.clear();
    for (const TFieldDef &def : m_fieldDefs) {
        const quint16 type = FACEFieldDefs.Items(def.FieldNo - 1).FType;
        std::unique_ptr<TField> field;
        if (def.DataType == TFieldType::ftString) {
            auto string = std::make_unique<TAdsStringField>(this, def);
            string->CaseInsensitive = type == 20;
            field = std::move(string);
        } else if (def.DataType == TFieldType::ftBCD) {
            field = std::make_unique<TAdsBCDField>(this, def);
            if (type == 2 || type == 21)
                field->Currency = false;
        } else {
            field = std::make_unique<TField>(this, def);
            field->Currency = def.DataType == TFieldType::ftCurrency;
        }
        m_fields.push_back(std::move(field));
    }
}

void TAdsDataSet::InternalClose()
{
    m_keyBuffers.clear();
    if (mlHandle != NoAceHandle) {
        try {
            RaiseOnAceError(this, ace::AdsCloseTable(mlHandle));
        } catch (...) {
            // A cursor the server has already dropped is closed all the same.
        }
    }
    mlHandle = mlActiveHandle = NoAceHandle;
    mbCanModify = false;
}

void TAdsDataSet::InternalFirst()
{
    RaiseOnAceError(this, ace::AdsGotoBOF(mlActiveHandle));
}

void TAdsDataSet::InternalLast()
{
    RaiseOnAceError(this, ace::AdsGotoEOF(mlActiveHandle));
}

TGetResult TAdsDataSet::GetRecord(QByteArray &buffer, TGetMode mode)
{
    if (mlHandle == NoAceHandle)
        return TGetResult::grError;
    if (mode == TGetMode::gmNext)
        RaiseOnAceError(this, ace::AdsSkip(mlActiveHandle, 1));
    else if (mode == TGetMode::gmPrior)
        RaiseOnAceError(this, ace::AdsSkip(mlActiveHandle, -1));
    for (;;) {
        UNSIGNED16 atEof = 0;
        RaiseOnAceError(this, ace::AdsAtEOF(mlHandle, &atEof));
        if (atEof && mode != TGetMode::gmPrior)
            return TGetResult::grEOF;
        UNSIGNED16 atBof = 0;
        RaiseOnAceError(this, ace::AdsAtBOF(mlHandle, &atBof));
        if (atBof && mode != TGetMode::gmNext)
            return TGetResult::grBOF;
        UNSIGNED16 visible = 0;
        const UNSIGNED32 answer = ace::AdsIsRecordVisible(mlActiveHandle, &visible);
        // Visibility unknown: take the row, as the engine put the cursor on it.
        if (answer == 5068)
            visible = 1;
        else
            RaiseOnAceError(this, answer);
        if (visible) {
            ReadRecord(buffer);
            break;
        }
        if (mode == TGetMode::gmCurrent)
            return TGetResult::grError;
        RaiseOnAceError(this, ace::AdsSkip(mlActiveHandle, mode == TGetMode::gmPrior ? -1 : 1));
    }
    const qint32 row = RecordNumber();
    std::memcpy(buffer.data() + musRecInfoOfs, &row, 4);
    std::memset(buffer.data() + musRecInfoOfs + 4, 0, 4);
    return TGetResult::grOK;
}

void TAdsDataSet::ReadRecord(QByteArray &buffer)
{
    UNSIGNED16 columns = 0;
    RaiseOnAceError(this, ace::AdsGetNumFields(mlHandle, &columns));
    UNSIGNED32 length = UNSIGNED32(musRecBufSize);
    RaiseOnAceError(this, ace::AdsGetRecord(mlHandle, reinterpret_cast<UNSIGNED8 *>(buffer.data()), &length));
    UNSIGNED32 bookmarkLength = UNSIGNED32(musRecBufSize - musBookmarkOfs);
    const quint32 bookmarkHandle =
        (mlActiveHandle == NoAceHandle || mlActiveHandle == 0) ? mlHandle : mlActiveHandle;
    RaiseOnAceError(this, ace::AdsGetBookmark60(bookmarkHandle,
                                                reinterpret_cast<UNSIGNED8 *>(buffer.data() + musBookmarkOfs),
                                                &bookmarkLength));
    if (m_blobFields > 0) {
        for (int i = 0; i < FACEFieldDefs.Count(); ++i) {
            const TACEFieldDef &def = FACEFieldDefs.Items(i);
            if (def.FType != 5 && def.FType != 6 && def.FType != 7 && def.FType != 8 && def.FType != 28)
                continue;
            UNSIGNED16 empty = 0;
            UNSIGNED16 null = 0;
            RaiseOnAceError(this, ace::AdsIsEmpty(mlHandle, ADSFIELD(def.FNumber), &empty));
            RaiseOnAceError(this, ace::AdsIsNull(mlHandle, ADSFIELD(def.FNumber), &null));
            const quint32 marker = (empty || null) ? 0u : 0xFFFFFFFFu;
            std::memcpy(buffer.data() + def.FOffset, &marker, 4);
        }
    }
    if (musOpenCharType == 2) {
        for (int i = 0; i < FACEFieldDefs.Count(); ++i) {
            const TACEFieldDef &def = FACEFieldDefs.Items(i);
            uchar *at = reinterpret_cast<uchar *>(buffer.data()) + def.FOffset;
            const uchar kept = at[def.FLength];
            if (def.FType == 4 || def.FType == 20 || def.FType == 23) {
                UNSIGNED32 fieldLength = UNSIGNED32(def.FLength) + 1;
                RaiseOnAceError(this, ace::AdsGetField(mlHandle, ADSFIELD(def.FNumber), at, &fieldLength, 0));
            } else if (def.FType == 26 || def.FType == 27) {
                UNSIGNED32 units = UNSIGNED32(def.FLength + 2) / 2;
                RaiseOnAceError(this, ace::AdsGetFieldW(mlHandle, ADSFIELD(def.FNumber),
                                                        reinterpret_cast<WCHAR16 *>(at), &units, 0));
            } else {
                continue;
            }
            at[def.FLength] = kept;
        }
    }
}

qint32 TAdsDataSet::RecordNumber()
{
    ADSHANDLE index = 0;
    RaiseOnAceError(this, ace::AdsGetIndexHandle(mlHandle, nullptr, &index));
    UNSIGNED32 number = 0;
    if (!mbIsSequenced || index == 0)
        RaiseOnAceError(this, ace::AdsGetRecordNum(mlHandle, 2, &number));
    return qint32(number);
}

void TAdsDataSet::InternalSetToRecord(const QByteArray &buffer)
{
    quint32 bookmark = 0;
    std::memcpy(&bookmark, buffer.constData() + musBookmarkOfs, 4);
    const UNSIGNED32 answer = ace::AdsGotoBookmark(mlHandle, bookmark);
    if (answer != 5022)
        RaiseOnAceError(this, answer);
}

int TAdsDataSet::RecNo() const
{
    const QByteArray *buffer = ActiveBuffer();
    if (!buffer)
        return 0;
    qint32 row = 0;
    std::memcpy(&row, buffer->constData() + musRecInfoOfs, 4);
    return row;
}

int TAdsDataSet::RecordCount()
{
    if (!Active())
        return 0;
    UNSIGNED16 option = 2;
    if (mpoAdsTableOptions->meAdsRespectFilters == TAdsRespectFilters::RESPECT_WHEN_COUNTING)
        option = 1;
    else if (mpoAdsTableOptions->meAdsRespectScopes == TAdsRespectScopes::RESPECT_SCOPES_WHEN_COUNTING)
        option = 3;
    if (mpoAdsTableOptions->mbRefreshCount)
        option += 4;
    UNSIGNED32 count = 0;
    RaiseOnAceError(this, ace::AdsGetRecordCount(mlActiveHandle, option, &count));
    return int(count);
}

const TACEFieldDef *TAdsDataSet::DefOf(const TField &field) const
{
    const int index = field.FieldNo - 1;
    return (index >= 0 && index < FACEFieldDefs.Count()) ? &FACEFieldDefs.Items(index) : nullptr;
}

TFieldValue TAdsDataSet::GetFieldValue(const TField &field, const QByteArray &buffer) const
{
    const TACEFieldDef *def = DefOf(field);
    if (!def)
        return {};
    const FieldDecode::Column column{def->FType, def->FOffset, def->FLength, def->FDecimals, field.DataType};
    static const FieldDecode::JulianFromText julian = [](const QByteArray &text, double &day) {
        QByteArray copy = text;
        return ace::AdsConvertStringToJulian(reinterpret_cast<UNSIGNED8 *>(copy.data()),
                                             UNSIGNED16(copy.size()), &day) == 0;
    };
    return FieldDecode::decode(column, reinterpret_cast<const uchar *>(buffer.constData()),
                               qMin<qsizetype>(buffer.size(), musRecordSize), julian);
}
