#include "DBEdit.h"
#include <QCoreApplication>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(DBEdit)
};

} // namespace

class DBEdit::Link : public TDataLink {
public:
    explicit Link(DBEdit &edit) : m_edit(edit) {}
    void ActiveChanged() override { m_edit.bind(); }
    void DataSetChanged() override { m_edit.showValue(); }

private:
    DBEdit &m_edit;
};

DBEdit::DBEdit(QWidget *parent) : QLineEdit(parent), m_link(std::make_unique<Link>(*this))
{
    setReadOnly(true);
    setFrame(false);
}

DBEdit::~DBEdit() = default;

void DBEdit::setDataSource(TDataSource *source)
{
    m_link->setDataSource(source);
}

void DBEdit::bind()
{
    m_field = nullptr;
    clear();
    TDataSetBase *dataSet = m_link->DataSet();
    if (!dataSet || !dataSet->Active())
        return;
    m_field = dataSet->FindField(m_fieldName);
    if (!m_field)
        throw EDataAccessError(objectName() +
                               Texts::tr(": Das Feld '%1' wurde nicht gefunden").arg(m_fieldName));
    showValue();
}

void DBEdit::showValue()
{
    TDataSetBase *dataSet = m_link->DataSet();
    setText(m_field && dataSet && dataSet->Active() ? m_field->DisplayText() : QString());
    setCursorPosition(0);
}
