#pragma once

#include "AceErrors.h"
#include "DataSet.h"
#include "adscnnct.h"

#include <QList>
#include <QObject>
#include <QString>
#include <memory>
#include <vector>

constexpr quint32 NoAceHandle = 0xFFFFFFFFu; // "no handle" in the components' members

// The engine's description of one column of the open result.
struct TACEFieldDef {
    QString FName;
    quint16 FNumber = 0;
    int FOffset = 0;
    qint32 FLength = 0;
    quint16 FType = 0;
    quint16 FDecimals = 0;
    bool FModified = false;
    quint8 FPermissions = 0;
    bool FNullable = false;

    QString FieldName() const { return FName; }
    quint16 FieldNumber() const { return FNumber; }
    int Offset() const { return FOffset; }
    qint32 Length() const { return FLength; }
    quint16 FieldType() const { return FType; }
    quint16 Decimals() const { return FDecimals; }
    bool Modified() const { return FModified; }
    quint8 Permissions() const { return FPermissions; }
    bool Nullable() const { return FNullable; }
};

class TACEFieldDefs {
public:
    void Add(const TACEFieldDef &def) { m_items.append(def); }
    const TACEFieldDef &Items(int index) const { return m_items[index]; }
    int Count() const { return int(m_items.size()); }
    void Clear() { m_items.clear(); }
    // Position of the first definition of that name (case ignored), or -1.
    int IndexOf(const QString &FieldName) const;

private:
    QList<TACEFieldDef> m_items;
};

enum class TAdsRecordCache { rcNone, rcStandard, rcAggressive };
enum class TAdsLockType { Proprietary, Compatible };
enum class TAdsCharType { ANSI, OEM };
enum class TAdsRespectFilters { IGNORE_WHEN_COUNTING, RESPECT_WHEN_COUNTING };
enum class TAdsRespectScopes { IGNORE_SCOPES_WHEN_COUNTING, RESPECT_SCOPES_WHEN_COUNTING };
enum class TAdsTableTypes { ttAdsCDX, ttAdsNTX, ttAdsADT, ttAdsDefault, ttAdsVFP };

struct TAdsTableOptions {
    TAdsRecordCache meAdsRecordCache = TAdsRecordCache::rcStandard;
    bool mbNumericsAsFloats = false;
    TAdsRespectFilters meAdsRespectFilters = TAdsRespectFilters::IGNORE_WHEN_COUNTING;
    TAdsRespectScopes meAdsRespectScopes = TAdsRespectScopes::IGNORE_SCOPES_WHEN_COUNTING;
    bool mbRefreshCount = false;
    TAdsLockType meAdsLockType = TAdsLockType::Proprietary;
    bool mbAdsRightsCheck = true;
    QString mstrCollation;
    int meAdsCharType = 0; // 0 ANSI, 1 OEM, then the engine's collations
    quint32 mulIndexPageSize = 0;
};

class TAdsStringField : public TField {
public:
    using TField::TField;
    const char *className() const override { return "TAdsStringField"; }
    bool CaseInsensitive = false;
};

class TAdsBCDField : public TField {
public:
    TAdsBCDField(TDataSetBase *dataSet, const TFieldDef &def) : TField(dataSet, def)
    {
        Currency = true;
    }
    const char *className() const override { return "TAdsBCDField"; }
};

// The dataset base of the engine's components: turns the cursor a descendant creates into
// field definitions, record buffers, rows and moves. A dataset is a named component owned
// by its window and bound to one connection, which closes it on disconnect.
class TAdsDataSet : public TDataSetBase, public TAdsConnectionClient, public ErrorContextSource {
    Q_OBJECT
public:
    explicit TAdsDataSet(QObject *owner = nullptr);
    ~TAdsDataSet() override;

    // TAdsConnectionClient: the connection closes the dataset and makes it forget its
    // handles on disconnect.
    void CloseDataSet() override { setActive(false); }
    void InvalidateAceHandles() override {}
    void ConnectionGone() override { mpoAdsConnection = nullptr; }

    TAdsConnection *AdsConnection() const { return mpoAdsConnection; }
    virtual void setAdsConnection(TAdsConnection *connection);

    QString DatabaseName() const override { return mstrDatabaseName; }
    QString DatabasePath() const override;
    QString TableName() const override { return {}; }
    DataSetContext errorContext() const override;

    const TACEFieldDefs &ACEFieldDefs() const { return FACEFieldDefs; }
    quint32 Handle() const { return mlHandle; }
    quint32 ActiveHandle() const { return mlActiveHandle; }
    int RecordSize() const { return musRecordSize; }
    bool CanModify() const { return mbCanModify && !mbReadOnly; }
    bool IsSequenced() const { return mbIsSequenced; }
    quint32 TableOptions() const { return mulTableOptions; }
    bool IsExclusive() const { return mbExclusive; }
    TAdsTableOptions &AdsTableOptions() { return *mpoAdsTableOptions; }
    int RecNo() const override;
    int RecordCount() override;

    TFieldValue GetFieldValue(const TField &field, const QByteArray &buffer) const override;
    std::optional<QString> GetFieldPlainText(const TField &field,
                                             const QByteArray &buffer) const override;

protected:
    // The cursor of this dataset; for a query, the executed statement's.
    virtual quint32 CreateCursor();
    // Connects the bound connection when needed and gives its handle.
    quint32 ConnectAndGetHandle();

    void InternalOpen() override;
    void InternalClose() override;
    void InternalFirst() override;
    void InternalLast() override;
    TGetResult GetRecord(QByteArray &buffer, TGetMode mode) override;
    void InternalSetToRecord(const QByteArray &buffer) override;
    int RecordBufferSize() const override { return musRecBufSize; }
    void CreateFields() override;

    TACEFieldDefs FACEFieldDefs;
    quint32 mlHandle = NoAceHandle;
    quint32 mlActiveHandle = NoAceHandle;
    int musRecordSize = 0;
    int musBlobCacheOfs = 0;
    int musRecInfoOfs = 0;
    int musBookmarkOfs = 0;
    int musRecBufSize = 0;
    bool mbCanModify = false;
    bool mbReadOnly = false;
    // As the engine reports them; nothing here locks or edits, so they are only told.
    quint32 mulTableOptions = 0;
    bool mbExclusive = false;
    quint16 musAceTableType = 0;
    quint16 musOpenCharType = 0;
    bool mbIsSequenced = false;
    std::unique_ptr<TAdsTableOptions> mpoAdsTableOptions;
    TAdsTableTypes meTableType = TAdsTableTypes::ttAdsADT;
    TAdsConnection *mpoAdsConnection = nullptr;
    QString mstrDatabaseName;

private:
    // The steps of opening, in order.
    void ObtainCursor();
    void ReadOpenOptions();
    void ApplyRecordCache();
    void ReadIndexPageSize();
    void PrepareKeyBuffers();
    void BuildFieldDefs();
    void ReadColumn(quint16 number);
    void ComputeBufferLayout();
    void ReadIndexDefinitions();

    void ReadRecord(QByteArray &buffer);
    void MarkBlobs(QByteArray &buffer);
    void RereadCharacterColumns(QByteArray &buffer);
    qint32 RecordNumber();
    quint32 BookmarkHandle() const;
    const TACEFieldDef *DefOf(const TField &field) const;

    int m_blobFields = 0;
};
