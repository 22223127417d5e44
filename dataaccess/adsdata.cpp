#include "adsdata.h"

#include "AceCodes.h"
#include "AceFieldTypes.h"
#include "FieldDecoders.h"
#include "ace.h"

#include <cstring>

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

DataSetContext TAdsDataSet::errorContext() const
{
    DataSetContext context;
    // Asked again while gathering, by a value that raises an error of its own: that error
    // is dropped below, so it needs nothing.
    if (bErrorUnderConstruction)
        return context;
    bErrorUnderConstruction = true;
    try {
        context.name = objectName();
        if (const QObject *owner = parent())
            context.owner = owner->objectName();
        context.databaseName = DatabaseName();
        context.databasePath = DatabasePath();
        context.tableName = TableName();
    } catch (...) {
        // What could be gathered stays; describing an error never replaces it.
    }
    bErrorUnderConstruction = false;
    return context;
}

quint32 TAdsDataSet::CreateCursor()
{
    throw EADSDatabaseError(errorContext(), acecode::InvalidDataSet,
                            QStringLiteral("This dataset cannot create a cursor."));
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
        throw EADSDatabaseError(errorContext(), acecode::InvalidDataSet,
                                QStringLiteral("Table is already open."));
    ObtainCursor();
    UNSIGNED32 length = 0;
    RaiseOnAceError(this, ace::AdsGetRecordLength(mlHandle, &length));
    ReadOpenOptions();
    ApplyRecordCache();
    ReadIndexPageSize();
    musRecordSize = musRecBufSize = int(length);
    PrepareKeyBuffers();
    BuildFieldDefs();
    ComputeBufferLayout();
    ReadIndexDefinitions();
    // No index orders the rows: they are skipped and tested through the cursor itself.
    mlActiveHandle = mlHandle;
    RaiseOnAceError(this, ace::AdsGotoBOF(mlActiveHandle));
}

void TAdsDataSet::ObtainCursor()
{
    if (mlActiveHandle == NoAceHandle) {
        mlHandle = CreateCursor();
        return;
    }
    mlHandle = mlActiveHandle;
    UNSIGNED16 type = 0;
    RaiseOnAceError(this, ace::AdsGetTableType(mlHandle, &type));
    musAceTableType = type;
}

void TAdsDataSet::ReadOpenOptions()
{
    UNSIGNED32 options = 0;
    RaiseOnAceError(this, ace::AdsGetTableOpenOptions(mlHandle, &options));
    mulTableOptions = options;
    mbCanModify = (options & aceoption::OpenReadOnly) == 0;
    if (mbCanModify && (options & aceoption::OpenExclusive)) {
        UNSIGNED8 live = 0;
        if (ace::AdsSqlPeekStatement(mlHandle, &live) == 0 && live == 0)
            mbExclusive = true;
    }
}

void TAdsDataSet::ApplyRecordCache()
{
    if (mpoAdsTableOptions->meAdsRecordCache == TAdsRecordCache::rcNone)
        RaiseOnAceError(this, ace::AdsCacheRecords(mlHandle, aceoption::CacheNone));
    else if (mpoAdsTableOptions->meAdsRecordCache == TAdsRecordCache::rcAggressive)
        RaiseOnAceError(this, ace::AdsCacheRecords(mlHandle, aceoption::CacheAggressive));
}

void TAdsDataSet::ReadIndexPageSize()
{
    // Neither failure raises: a result cursor has no index, and then no page size.
    ADSHANDLE index = 0;
    UNSIGNED16 indexCount = 1;
    const UNSIGNED32 indexes = ace::AdsGetAllIndexes(mlHandle, &index, &indexCount);
    UNSIGNED32 pageSize = 0;
    if ((indexes == 0 || indexes == acecode::NoIndexes) &&
        ace::AdsGetIndexPageSize(index, &pageSize) != 0)
        pageSize = 0;
    mpoAdsTableOptions->mulIndexPageSize = pageSize;
}

quint32 TAdsDataSet::BookmarkHandle() const
{
    return (mlActiveHandle == NoAceHandle || mlActiveHandle == 0) ? mlHandle : mlActiveHandle;
}

void TAdsDataSet::PrepareKeyBuffers()
{
    // The engine is asked for its empty row as the component always asks: the key search
    // the row would serve is not offered here, so the row itself is not kept.
    UNSIGNED32 bookmarkLength = 0;
    RaiseOnAceError(this, ace::AdsGetBookmarkLength(BookmarkHandle(), &bookmarkLength));
    UNSIGNED16 columns = 0;
    RaiseOnAceError(this, ace::AdsGetNumFields(mlHandle, &columns));
    QByteArray keyBuffer(musRecordSize + 2 * columns + 12, '\0');
    UNSIGNED32 nullLength = UNSIGNED32(keyBuffer.size());
    RaiseOnAceError(this,
                    ace::AdsGetNullRecord(mlHandle, reinterpret_cast<UNSIGNED8 *>(keyBuffer.data()),
                                          &nullLength));
}

void TAdsDataSet::ComputeBufferLayout()
{
    m_blobFields = 0;
    for (int i = 0; i < FACEFieldDefs.Count(); ++i)
        if (acetype::isBlob(FACEFieldDefs.Items(i).FType))
            ++m_blobFields;
    musBlobCacheOfs = musRecordSize;
    musRecInfoOfs = musBlobCacheOfs + 4 * m_blobFields;
    musBookmarkOfs = musRecInfoOfs + 8;
    UNSIGNED32 bookmarkLength = 0;
    RaiseOnAceError(this, ace::AdsGetBookmarkLength(BookmarkHandle(), &bookmarkLength));
    musRecBufSize = musBookmarkOfs + int(bookmarkLength);
}

void TAdsDataSet::ReadIndexDefinitions()
{
    // Asked as the component asks; a result cursor has none, and nothing here orders by one.
    UNSIGNED16 indexTotal = 0;
    RaiseOnAceError(this, ace::AdsGetNumIndexes(mlHandle, &indexTotal));
    if (indexTotal == 0)
        return;
    std::vector<ADSHANDLE> handles(indexTotal);
    UNSIGNED16 count = indexTotal;
    RaiseOnAceError(this, ace::AdsGetAllIndexes(mlHandle, handles.data(), &count));
    for (UNSIGNED16 i = 0; i < count && i < indexTotal; ++i) {
        UNSIGNED8 name[201] = {};
        UNSIGNED16 nameLength = 200;
        RaiseOnAceError(this, ace::AdsGetIndexName(handles[i], name, &nameLength));
    }
}

void TAdsDataSet::BuildFieldDefs()
{
    UNSIGNED16 count = 0;
    RaiseOnAceError(this, ace::AdsGetNumFields(mlHandle, &count));
    m_fieldDefs.clear();
    FACEFieldDefs.Clear();
    for (UNSIGNED16 c = 1; c <= count; ++c)
        ReadColumn(c);
}

void TAdsDataSet::ReadColumn(quint16 c)
{
    UNSIGNED16 type = 0;
    UNSIGNED32 length = 0;
    RaiseOnAceError(this, ace::AdsGetFieldType(mlHandle, ADSFIELD(c), &type));
    RaiseOnAceError(this, ace::AdsGetFieldLength(mlHandle, ADSFIELD(c), &length));
    UNSIGNED16 decimals = 0;
    if (type == acetype::Numeric)
        RaiseOnAceError(this, ace::AdsGetFieldDecimals(mlHandle, ADSFIELD(c), &decimals));
    const FieldDecode::Kind mapped =
        FieldDecode::kindOf(type, length, decimals, musAceTableType == aceoption::TableAdt,
                            mpoAdsTableOptions->mbNumericsAsFloats);
    if (mapped.kind == TFieldType::ftUnknown)
        throw EADSDatabaseError(errorContext(), acecode::InvalidDataSet,
                                QStringLiteral("Unknown field type (%1) encountered.").arg(type));

    UNSIGNED8 name[129] = {};
    UNSIGNED16 nameLength = 129;
    RaiseOnAceError(this, ace::AdsGetFieldName(mlHandle, c, name, &nameLength));
    const QByteArray name8(reinterpret_cast<const char *>(name));
    TFieldDef def;
    def.Name = QString::fromLocal8Bit(name8);
    def.DataType = mapped.kind;
    def.Size = mapped.size;
    def.FieldNo = c;
    def.Precision = mapped.precision;
    m_fieldDefs.append(def);

    UNSIGNED16 nullable = 0;
    QByteArray nameArgument = name8;
    RaiseOnAceError(this,
                    ace::AdsIsNullable(mlHandle, reinterpret_cast<UNSIGNED8 *>(nameArgument.data()),
                                       &nullable));
    TACEFieldDef ace;
    ace.FName = def.Name;
    ace.FNumber = c;
    // The engine counts the Unicode types in characters; the row image holds two bytes each.
    const bool wide = type == acetype::WideCharacter || type == acetype::WideVarChar;
    ace.FLength = wide ? qint32(length) * 2 : qint32(length);
    ace.FType = type;
    ace.FDecimals = type == acetype::Numeric ? decimals : 0;
    ace.FNullable = nullable != 0;
    UNSIGNED32 offset = 0;
    RaiseOnAceError(this, ace::AdsGetFieldOffset(mlHandle, ADSFIELD(c), &offset));
    // The decoders read what the type needs; a column too short for it, or outside the
    // row, is refused here rather than read.
    if (!acetype::columnFits(type, offset, std::uint64_t(ace.FLength),
                             std::uint64_t(musRecordSize)))
        throw EADSDatabaseError(
            errorContext(), acecode::ColumnDoesNotFit,
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

void TAdsDataSet::CreateFields()
{
    m_fields.clear();
    for (const TFieldDef &def : m_fieldDefs) {
        const quint16 type = FACEFieldDefs.Items(def.FieldNo - 1).FType;
        std::unique_ptr<TField> field;
        if (def.DataType == TFieldType::ftString) {
            auto string = std::make_unique<TAdsStringField>(this, def);
            string->CaseInsensitive = type == acetype::CaseInsensitiveCharacter;
            field = std::move(string);
        } else if (def.DataType == TFieldType::ftBCD) {
            field = std::make_unique<TAdsBCDField>(this, def);
            if (type == acetype::Numeric || type == acetype::RowVersion)
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
        if (answer == acecode::RecordNotVisible)
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
    // The column count is asked before each row, as the component does; the layout does
    // not change while the cursor is open, so the answer is not needed.
    UNSIGNED16 columns = 0;
    RaiseOnAceError(this, ace::AdsGetNumFields(mlHandle, &columns));
    UNSIGNED32 length = UNSIGNED32(musRecBufSize);
    RaiseOnAceError(
        this, ace::AdsGetRecord(mlHandle, reinterpret_cast<UNSIGNED8 *>(buffer.data()), &length));
    UNSIGNED32 bookmarkLength = UNSIGNED32(musRecBufSize - musBookmarkOfs);
    RaiseOnAceError(
        this, ace::AdsGetBookmark60(BookmarkHandle(),
                                    reinterpret_cast<UNSIGNED8 *>(buffer.data() + musBookmarkOfs),
                                    &bookmarkLength));
    if (m_blobFields > 0)
        MarkBlobs(buffer);
    if (musOpenCharType == aceoption::CharOem)
        RereadCharacterColumns(buffer);
}

void TAdsDataSet::MarkBlobs(QByteArray &buffer)
{
    // A blob column's first 32 bits say whether it holds data; its content is not read.
    for (int i = 0; i < FACEFieldDefs.Count(); ++i) {
        const TACEFieldDef &def = FACEFieldDefs.Items(i);
        if (!acetype::isBlob(def.FType) || def.FType == acetype::BlobFirst ||
            def.FType == acetype::BlobLast)
            continue;
        UNSIGNED16 empty = 0;
        UNSIGNED16 null = 0;
        RaiseOnAceError(this, ace::AdsIsEmpty(mlHandle, ADSFIELD(def.FNumber), &empty));
        RaiseOnAceError(this, ace::AdsIsNull(mlHandle, ADSFIELD(def.FNumber), &null));
        const quint32 marker =
            (empty || null) ? FieldDecode::BlobMarkerNull : FieldDecode::BlobMarkerData;
        std::memcpy(buffer.data() + def.FOffset, &marker, 4);
    }
}

void TAdsDataSet::RereadCharacterColumns(QByteArray &buffer)
{
    // A live cursor in the OEM character set: the engine converts the text columns when
    // they are read one by one.
    for (int i = 0; i < FACEFieldDefs.Count(); ++i) {
        const TACEFieldDef &def = FACEFieldDefs.Items(i);
        uchar *at = reinterpret_cast<uchar *>(buffer.data()) + def.FOffset;
        const uchar kept = at[def.FLength];
        using namespace acetype;
        if (def.FType == Character || def.FType == CaseInsensitiveCharacter ||
            def.FType == VarChar) {
            UNSIGNED32 fieldLength = UNSIGNED32(def.FLength) + 1;
            RaiseOnAceError(this,
                            ace::AdsGetField(mlHandle, ADSFIELD(def.FNumber), at, &fieldLength, 0));
        } else if (def.FType == WideCharacter || def.FType == WideVarChar) {
            UNSIGNED32 units = UNSIGNED32(def.FLength + 2) / 2;
            RaiseOnAceError(this, ace::AdsGetFieldW(mlHandle, ADSFIELD(def.FNumber),
                                                    reinterpret_cast<WCHAR16 *>(at), &units, 0));
        } else {
            continue;
        }
        at[def.FLength] = kept;
    }
}

qint32 TAdsDataSet::RecordNumber()
{
    ADSHANDLE index = 0;
    RaiseOnAceError(this, ace::AdsGetIndexHandle(mlHandle, nullptr, &index));
    UNSIGNED32 number = 0;
    if (!mbIsSequenced || index == 0)
        RaiseOnAceError(this, ace::AdsGetRecordNum(mlHandle, aceoption::IgnoreFilters, &number));
    return qint32(number);
}

void TAdsDataSet::InternalSetToRecord(const QByteArray &buffer)
{
    quint32 bookmark = 0;
    std::memcpy(&bookmark, buffer.constData() + musBookmarkOfs, 4);
    const UNSIGNED32 answer = ace::AdsGotoBookmark(mlHandle, bookmark);
    if (answer != acecode::NoCurrentRecord)
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
    UNSIGNED16 option = aceoption::IgnoreFilters;
    if (mpoAdsTableOptions->meAdsRespectFilters == TAdsRespectFilters::RESPECT_WHEN_COUNTING)
        option = aceoption::RespectFilters;
    else if (mpoAdsTableOptions->meAdsRespectScopes ==
             TAdsRespectScopes::RESPECT_SCOPES_WHEN_COUNTING)
        option = aceoption::RespectScopes;
    if (mpoAdsTableOptions->mbRefreshCount)
        option += aceoption::RefreshCount;
    UNSIGNED32 count = 0;
    RaiseOnAceError(this, ace::AdsGetRecordCount(mlActiveHandle, option, &count));
    return int(count);
}

const TACEFieldDef *TAdsDataSet::DefOf(const TField &field) const
{
    const int index = field.FieldNo - 1;
    return (index >= 0 && index < FACEFieldDefs.Count()) ? &FACEFieldDefs.Items(index) : nullptr;
}

std::optional<QString> TAdsDataSet::GetFieldPlainText(const TField &field,
                                                      const QByteArray &buffer) const
{
    const TACEFieldDef *def = DefOf(field);
    if (!def)
        return std::nullopt;
    const FieldDecode::Column column{def->FType, def->FOffset, def->FLength, def->FDecimals,
                                     field.DataType};
    return FieldDecode::plainText(column, reinterpret_cast<const uchar *>(buffer.constData()),
                                  qMin<qsizetype>(buffer.size(), musRecordSize));
}

TFieldValue TAdsDataSet::GetFieldValue(const TField &field, const QByteArray &buffer) const
{
    const TACEFieldDef *def = DefOf(field);
    if (!def)
        return {};
    const FieldDecode::Column column{def->FType, def->FOffset, def->FLength, def->FDecimals,
                                     field.DataType};
    static const FieldDecode::JulianFromText julian = [](const QByteArray &text, double &day) {
        QByteArray copy = text;
        return ace::AdsConvertStringToJulian(reinterpret_cast<UNSIGNED8 *>(copy.data()),
                                             UNSIGNED16(copy.size()), &day) == 0;
    };
    return FieldDecode::decode(column, reinterpret_cast<const uchar *>(buffer.constData()),
                               qMin<qsizetype>(buffer.size(), musRecordSize), julian);
}
