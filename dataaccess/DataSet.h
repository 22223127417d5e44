#pragma once

#include "DataErrors.h"
#include "FieldKinds.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The generic dataset framework: states, a window of record buffers for the attached
// controls, navigation with its events, field objects, and data sources through which
// controls follow a dataset. Descendants supply the cursor through the Internal* hooks.

class TDataSetBase;
class TDataSource;

enum class TDataSetState { dsInactive, dsBrowse };
enum class TGetMode { gmCurrent, gmNext, gmPrior };
enum class TGetResult { grOK, grBOF, grEOF, grError };

// A column as the framework describes it.
struct TFieldDef {
    QString Name;
    TFieldType DataType = TFieldType::ftUnknown;
    int Size = 0;
    bool Required = false;
    int Precision = 0;
    int FieldNo = 0;
};

// One column of the open result; reads its value from the current record buffer.
class TField {
public:
    TField(TDataSetBase *dataSet, const TFieldDef &def);
    virtual ~TField() = default;
    virtual const char *className() const { return "TField"; }

    TDataSetBase *DataSet() const { return m_dataSet; }
    QString FieldName;
    TFieldType DataType;
    int Size;
    int FieldNo;
    int Precision;
    bool Currency = false;
    bool Visible = true;
    bool ReadOnly = false;

    int DisplayWidth() const;
    void setDisplayWidth(int width) { m_displayWidth = width; }
    QString DisplayLabel() const { return m_displayLabel.isEmpty() ? FieldName : m_displayLabel; }
    void setDisplayLabel(const QString &label) { m_displayLabel = label; }

    // Of the current record.
    bool IsNull() const;
    QVariant Value() const;
    QString AsString() const { return DisplayText(); }
    QString DisplayText() const;
    // Of the record in the dataset's buffer window at the given index.
    QString DisplayTextAt(int recordIndex) const;

private:
    TDataSetBase *m_dataSet;
    int m_displayWidth = -1;
    QString m_displayLabel;
};

// A control's view of a dataset through a data source.
class TDataLink {
public:
    virtual ~TDataLink();

    void setDataSource(TDataSource *source);
    TDataSource *DataSource() const { return m_source; }
    TDataSetBase *DataSet() const;
    bool Active() const;

    // How many records the control shows; the dataset keeps at least that many buffered.
    int BufferCount() const { return m_bufferCount; }
    void setBufferCount(int count);

    virtual void ActiveChanged() {}
    virtual void DataSetChanged() {}
    virtual void DataSetScrolled(int /*distance*/) { DataSetChanged(); }

private:
    friend class TDataSource;
    TDataSource *m_source = nullptr;
    int m_bufferCount = 1;
};

class TDataSource : public QObject {
    Q_OBJECT
public:
    explicit TDataSource(QObject *owner = nullptr);
    ~TDataSource() override;

    TDataSetBase *DataSet() const { return m_dataSet; }
    void setDataSet(TDataSetBase *dataSet);
    const QList<TDataLink *> &Links() const { return m_links; }

private:
    friend class TDataLink;
    friend class TDataSetBase;
    TDataSetBase *m_dataSet = nullptr;
    QList<TDataLink *> m_links;
};

class TDataSetBase : public QObject {
    Q_OBJECT
public:
    using TDataSetNotifyEvent = std::function<void(TDataSetBase *)>;

    explicit TDataSetBase(QObject *owner = nullptr);
    ~TDataSetBase() override;

    virtual bool Active() const { return m_state != TDataSetState::dsInactive; }
    virtual void setActive(bool active);
    void Open() { setActive(true); }
    void Close() { setActive(false); }
    TDataSetState State() const { return m_state; }

    void First();
    void Last();
    void Next() { MoveBy(1); }
    void Prior() { MoveBy(-1); }
    // While disabled (the calls nest), moves and changes are not passed on to the data
    // links; enabling for the last time tells them that the data set changed.
    void DisableControls() { ++m_disabledControls; }
    void EnableControls();
    bool ControlsDisabled() const { return m_disabledControls > 0; }
    int MoveBy(int distance);
    bool Bof() const { return m_bof; }
    bool Eof() const { return m_eof; }
    bool IsEmpty() const { return m_recordCount == 0; }
    virtual int RecNo() const { return 0; }
    void setRecNo(int recNo);
    virtual int RecordCount() { return m_recordCount; }

    const std::vector<std::unique_ptr<TField>> &Fields() const { return m_fields; }
    TField *FindField(const QString &name) const;
    TField *FieldByName(const QString &name) const;
    // Puts a field at a new position in the field list.
    void MoveField(TField *field, int index);
    const QList<TFieldDef> &FieldDefs() const { return m_fieldDefs; }

    // The buffer window, for controls.
    int ActiveRecord() const { return m_activeRecord; }
    int WindowRecordCount() const { return m_recordCount; }
    void setActiveRecord(int index) { m_activeRecord = index; }
    const QByteArray &RecordBuffer(int index) const
    {
        return m_buffers[static_cast<std::size_t>(index)];
    }
    const QByteArray *ActiveBuffer() const;

    virtual TFieldValue GetFieldValue(const TField &field, const QByteArray &buffer) const = 0;
    // The field's display text when the dataset can give it without the value and the
    // locale (the same text, cheaper); nothing when it cannot.
    virtual std::optional<QString> GetFieldPlainText(const TField &, const QByteArray &) const
    {
        return std::nullopt;
    }

    // Where the data comes from, as an error describes it; empty for the framework itself.
    virtual QString DatabaseName() const { return {}; }
    virtual QString DatabasePath() const { return {}; }
    virtual QString TableName() const { return {}; }

    TDataSetNotifyEvent BeforeOpen, AfterOpen, BeforeClose, AfterClose, BeforeScroll, AfterScroll;

    // Called by data sources when their links' needs change.
    void UpdateBufferCount();

protected:
    // Descendants: open the cursor and describe its columns into m_fieldDefs; close it.
    virtual void InternalOpen() = 0;
    virtual void InternalClose() = 0;
    virtual void InternalFirst() = 0;
    virtual void InternalLast() = 0;
    virtual TGetResult GetRecord(QByteArray &buffer, TGetMode mode) = 0;
    virtual void InternalSetToRecord(const QByteArray &buffer) = 0;
    virtual int RecordBufferSize() const = 0;
    // Creates the field objects from the definitions; the default makes plain fields.
    virtual void CreateFields();

    QList<TFieldDef> m_fieldDefs;
    std::vector<std::unique_ptr<TField>> m_fields;

    void DataEvent(int distance, bool changed);
    void notifyActiveChanged();

private:
    void OpenCursor();
    void CloseCursor();
    void ClearBuffers();
    void SetBufferCount(int count);
    bool GetNextRecord();
    bool GetPriorRecord();
    int GetNextRecords();
    void SetCurrentRecord(int index);
    void DoAfterScroll();

    friend class TDataSource;
    QList<TDataSource *> m_sources;
    TDataSetState m_state = TDataSetState::dsInactive;
    std::vector<QByteArray> m_buffers; // m_bufferCount + 1: the last is scratch
    int m_bufferCount = 0;
    int m_recordCount = 0;
    int m_activeRecord = 0;
    int m_disabledControls = 0;
    int m_currentRecord = -1; // the buffer the cursor stands on; -1 unknown
    bool m_bof = true;
    bool m_eof = true;
};
