#include "DataSet.h"

#include "FieldText.h"

#include <QCoreApplication>
#include <algorithm>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(DataSet)
};

} // namespace

// --- TField --------------------------------------------------------------------------------

TField::TField(TDataSetBase *dataSet, const TFieldDef &def)
    : FieldName(def.Name), DataType(def.DataType), Size(def.Size), FieldNo(def.FieldNo),
      Precision(def.Precision), m_dataSet(dataSet)
{
}

int TField::DisplayWidth() const
{
    return m_displayWidth >= 0 ? m_displayWidth
                               : FieldText::displayWidth(DataType, Size, Precision);
}

bool TField::IsNull() const
{
    const QByteArray *buffer = m_dataSet->ActiveBuffer();
    return !buffer || m_dataSet->GetFieldValue(*this, *buffer).isNull;
}

QVariant TField::Value() const
{
    const QByteArray *buffer = m_dataSet->ActiveBuffer();
    return buffer ? m_dataSet->GetFieldValue(*this, *buffer).value : QVariant();
}

QString TField::DisplayText() const
{
    const QByteArray *buffer = m_dataSet->ActiveBuffer();
    if (!buffer)
        return {};
    if (std::optional<QString> plain = m_dataSet->GetFieldPlainText(*this, *buffer))
        return *std::move(plain);
    // QLocale() is the system's locale unless the program set another; it is cheaper to
    // copy than QLocale::system() is to build.
    return FieldText::displayText(DataType, Currency, m_dataSet->GetFieldValue(*this, *buffer),
                                  QLocale());
}

QString TField::DisplayTextAt(int recordIndex) const
{
    if (recordIndex < 0 || recordIndex >= m_dataSet->WindowRecordCount())
        return {};
    const QByteArray &buffer = m_dataSet->RecordBuffer(recordIndex);
    if (std::optional<QString> plain = m_dataSet->GetFieldPlainText(*this, buffer))
        return *std::move(plain);
    return FieldText::displayText(DataType, Currency, m_dataSet->GetFieldValue(*this, buffer),
                                  QLocale());
}

// --- data links and sources ----------------------------------------------------------------

TDataLink::~TDataLink()
{
    setDataSource(nullptr);
}

void TDataLink::setDataSource(TDataSource *source)
{
    if (source == m_source)
        return;
    if (m_source)
        m_source->m_links.removeOne(this);
    m_source = source;
    if (m_source)
        m_source->m_links.append(this);
    if (TDataSetBase *dataSet = DataSet())
        dataSet->UpdateBufferCount();
}

TDataSetBase *TDataLink::DataSet() const
{
    return m_source ? m_source->DataSet() : nullptr;
}

bool TDataLink::Active() const
{
    const TDataSetBase *dataSet = DataSet();
    return dataSet && dataSet->Active();
}

void TDataLink::setBufferCount(int count)
{
    m_bufferCount = std::max(1, count);
    if (TDataSetBase *dataSet = DataSet())
        dataSet->UpdateBufferCount();
}

TDataSource::TDataSource(QObject *owner) : QObject(owner) {}

TDataSource::~TDataSource()
{
    setDataSet(nullptr);
    for (TDataLink *link : QList<TDataLink *>(m_links))
        link->m_source = nullptr;
}

void TDataSource::setDataSet(TDataSetBase *dataSet)
{
    if (dataSet == m_dataSet)
        return;
    if (m_dataSet)
        m_dataSet->m_sources.removeOne(this);
    m_dataSet = dataSet;
    if (m_dataSet) {
        m_dataSet->m_sources.append(this);
        m_dataSet->UpdateBufferCount();
    }
    for (TDataLink *link : QList<TDataLink *>(m_links))
        link->ActiveChanged();
}

// --- TDataSetBase ------------------------------------------------------------------------------

TDataSetBase::TDataSetBase(QObject *owner) : QObject(owner) {}

TDataSetBase::~TDataSetBase()
{
    for (TDataSource *source : QList<TDataSource *>(m_sources))
        source->m_dataSet = nullptr;
}

void TDataSetBase::setActive(bool active)
{
    if (active == Active())
        return;
    if (active) {
        if (BeforeOpen)
            BeforeOpen(this);
        OpenCursor();
        if (AfterOpen)
            AfterOpen(this);
        if (!IsEmpty())
            DoAfterScroll();
    } else {
        if (BeforeClose)
            BeforeClose(this);
        CloseCursor();
        if (AfterClose)
            AfterClose(this);
    }
}

void TDataSetBase::OpenCursor()
{
    try {
        InternalOpen();
        CreateFields();
        m_state = TDataSetState::dsBrowse;
        m_bufferCount = 0;
        UpdateBufferCount();
        ClearBuffers();
        GetNextRecord();
        GetNextRecords();
        m_bof = true;
        m_eof = m_recordCount == 0;
    } catch (...) {
        CloseCursor();
        throw;
    }
    notifyActiveChanged();
}

void TDataSetBase::CloseCursor()
{
    const bool wasActive = m_state != TDataSetState::dsInactive;
    m_state = TDataSetState::dsInactive;
    m_buffers.clear();
    m_bufferCount = 0;
    m_recordCount = 0;
    m_activeRecord = 0;
    m_currentRecord = -1;
    m_bof = m_eof = true;
    try {
        InternalClose();
    } catch (...) {
        m_fields.clear();
        if (wasActive)
            notifyActiveChanged();
        throw;
    }
    m_fields.clear();
    if (wasActive)
        notifyActiveChanged();
}

void TDataSetBase::CreateFields()
{
    m_fields.clear();
    for (const TFieldDef &def : m_fieldDefs)
        m_fields.push_back(std::make_unique<TField>(this, def));
}

TField *TDataSetBase::FindField(const QString &name) const
{
    for (const auto &field : m_fields)
        if (field->FieldName.compare(name, Qt::CaseInsensitive) == 0)
            return field.get();
    return nullptr;
}

TField *TDataSetBase::FieldByName(const QString &name) const
{
    if (TField *field = FindField(name))
        return field;
    const QString message = Texts::tr("Das Feld '%1' wurde nicht gefunden").arg(name);
    throw EDataAccessError(objectName().isEmpty() ? message
                                                  : objectName() + QStringLiteral(": ") + message);
}

void TDataSetBase::MoveField(TField *field, int index)
{
    const auto it = std::find_if(m_fields.begin(), m_fields.end(),
                                 [field](const auto &f) { return f.get() == field; });
    if (it == m_fields.end())
        return;
    std::unique_ptr<TField> owned = std::move(*it);
    m_fields.erase(it);
    index = std::clamp(index, 0, int(m_fields.size()));
    m_fields.insert(m_fields.begin() + index, std::move(owned));
}

const QByteArray *TDataSetBase::ActiveBuffer() const
{
    if (m_state == TDataSetState::dsInactive || m_recordCount == 0)
        return nullptr;
    return &m_buffers[static_cast<std::size_t>(m_activeRecord)];
}

void TDataSetBase::UpdateBufferCount()
{
    if (m_state == TDataSetState::dsInactive)
        return;
    int wanted = 1;
    for (TDataSource *source : m_sources)
        for (TDataLink *link : source->Links())
            wanted = std::max(wanted, link->BufferCount());
    SetBufferCount(wanted);
}

void TDataSetBase::SetBufferCount(int count)
{
    if (count == m_bufferCount)
        return;
    const bool hadRecords = m_recordCount > 0;
    if (hadRecords)
        SetCurrentRecord(m_activeRecord);
    m_bufferCount = count;
    m_buffers.assign(static_cast<std::size_t>(count) + 1, QByteArray(RecordBufferSize(), '\0'));
    m_recordCount = 0;
    m_activeRecord = 0;
    if (!hadRecords) {
        m_currentRecord = -1;
        return;
    }
    // Refill the window from the active record on. Should the engine fail meanwhile, the
    // window keeps what it got and the cursor's place is unknown.
    try {
        if (GetRecord(m_buffers[0], TGetMode::gmCurrent) == TGetResult::grOK) {
            m_recordCount = 1;
            m_currentRecord = 0;
            GetNextRecords();
        } else {
            m_currentRecord = -1;
        }
    } catch (...) {
        m_currentRecord = -1;
        DataEvent(0, true);
        throw;
    }
    DataEvent(0, true);
}

void TDataSetBase::ClearBuffers()
{
    m_recordCount = 0;
    m_activeRecord = 0;
    m_currentRecord = -1;
    m_bof = m_eof = false;
}

void TDataSetBase::SetCurrentRecord(int index)
{
    if (m_currentRecord != index) {
        InternalSetToRecord(m_buffers[static_cast<std::size_t>(index)]);
        m_currentRecord = index;
    }
}

bool TDataSetBase::GetNextRecord()
{
    if (m_recordCount > 0)
        SetCurrentRecord(m_recordCount - 1);
    if (GetRecord(m_buffers[static_cast<std::size_t>(m_recordCount)], TGetMode::gmNext) !=
        TGetResult::grOK) {
        m_currentRecord = -1;
        return false;
    }
    if (m_recordCount < m_bufferCount) {
        ++m_recordCount;
    } else {
        std::rotate(m_buffers.begin(), m_buffers.begin() + 1,
                    m_buffers.begin() + m_bufferCount + 1);
    }
    m_currentRecord = m_recordCount - 1;
    return true;
}

bool TDataSetBase::GetPriorRecord()
{
    if (m_recordCount > 0)
        SetCurrentRecord(0);
    if (GetRecord(m_buffers[static_cast<std::size_t>(m_recordCount)], TGetMode::gmPrior) !=
        TGetResult::grOK) {
        m_currentRecord = -1;
        return false;
    }
    std::rotate(m_buffers.begin(), m_buffers.begin() + m_recordCount,
                m_buffers.begin() + m_recordCount + 1);
    if (m_recordCount < m_bufferCount) {
        ++m_recordCount;
        ++m_activeRecord;
    }
    m_currentRecord = 0;
    return true;
}

int TDataSetBase::GetNextRecords()
{
    int fetched = 0;
    while (m_recordCount < m_bufferCount && GetNextRecord())
        ++fetched;
    return fetched;
}

void TDataSetBase::First()
{
    if (BeforeScroll)
        BeforeScroll(this);
    ClearBuffers();
    InternalFirst();
    GetNextRecord();
    GetNextRecords();
    m_bof = true;
    m_eof = m_recordCount == 0;
    DataEvent(0, true);
    DoAfterScroll();
}

void TDataSetBase::Last()
{
    if (BeforeScroll)
        BeforeScroll(this);
    ClearBuffers();
    InternalLast();
    if (GetPriorRecord())
        while (m_recordCount < m_bufferCount && GetPriorRecord()) {
        }
    m_activeRecord = std::max(0, m_recordCount - 1);
    m_eof = true;
    m_bof = m_recordCount == 0;
    DataEvent(0, true);
    DoAfterScroll();
}

int TDataSetBase::MoveBy(int distance)
{
    int moved = 0;
    if (m_state == TDataSetState::dsInactive)
        return 0;
    if (!((distance > 0 && !m_eof) || (distance < 0 && !m_bof)))
        return 0;
    if (BeforeScroll)
        BeforeScroll(this);
    m_bof = m_eof = false;
    int scrolled = 0;
    try {
        while (distance > 0) {
            if (m_activeRecord < m_recordCount - 1) {
                ++m_activeRecord;
            } else {
                const bool full = m_recordCount == m_bufferCount;
                if (!GetNextRecord()) {
                    m_eof = true;
                    break;
                }
                if (full)
                    ++scrolled;
                m_activeRecord = m_recordCount - 1;
            }
            --distance;
            ++moved;
        }
        while (distance < 0) {
            if (m_activeRecord > 0) {
                --m_activeRecord;
            } else {
                const bool full = m_recordCount == m_bufferCount;
                if (!GetPriorRecord()) {
                    m_bof = true;
                    break;
                }
                if (full)
                    --scrolled;
                m_activeRecord = 0;
            }
            ++distance;
            --moved;
        }
    } catch (...) {
        DataEvent(0, true);
        throw;
    }
    DataEvent(scrolled, scrolled != 0);
    DoAfterScroll();
    return moved;
}

void TDataSetBase::setRecNo(int recNo)
{
    if (m_state == TDataSetState::dsInactive)
        return;
    if (BeforeScroll)
        BeforeScroll(this);
    ClearBuffers();
    InternalFirst();
    for (int i = 0; i < recNo && GetNextRecord(); ++i) {
        // Only the record reached last stays in the window.
        m_recordCount = 1;
        std::swap(m_buffers[0], m_buffers[static_cast<std::size_t>(m_currentRecord)]);
        m_currentRecord = 0;
    }
    m_activeRecord = 0;
    GetNextRecords();
    m_bof = m_recordCount == 0 || recNo <= 1;
    m_eof = m_recordCount == 0;
    DataEvent(0, true);
    DoAfterScroll();
}

void TDataSetBase::DoAfterScroll()
{
    if (AfterScroll)
        AfterScroll(this);
}

void TDataSetBase::EnableControls()
{
    if (m_disabledControls > 0 && --m_disabledControls == 0)
        DataEvent(0, true);
}

void TDataSetBase::DataEvent(int distance, bool changed)
{
    // Most moves have no control attached; copies guard against links that detach.
    if (m_sources.isEmpty() || m_disabledControls > 0)
        return;
    for (TDataSource *source : QList<TDataSource *>(m_sources))
        for (TDataLink *link : QList<TDataLink *>(source->Links())) {
            if (changed && distance == 0)
                link->DataSetChanged();
            else
                link->DataSetScrolled(distance);
        }
}

void TDataSetBase::notifyActiveChanged()
{
    for (TDataSource *source : QList<TDataSource *>(m_sources))
        for (TDataLink *link : QList<TDataLink *>(source->Links()))
            link->ActiveChanged();
}
