#pragma once

#include "DataSet.h"

#include <QLineEdit>
#include <memory>

// A read-only, borderless edit that shows one field's display text of the current row.
// Binding to a field the open result lacks raises the field-not-found error with the
// edit's name in front, as the dataset opens.
class DBEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit DBEdit(QWidget *parent = nullptr);
    ~DBEdit() override;

    void setDataSource(TDataSource *source);
    void setDataField(const QString &name) { m_fieldName = name; }
    QString dataField() const { return m_fieldName; }

private:
    class Link;
    void bind();
    void showValue();

    std::unique_ptr<Link> m_link;
    QString m_fieldName;
    TField *m_field = nullptr;
};
