#pragma once

#include "Diagnosis.h"

#include <QDialog>

class QPushButton;
class QTableWidget;

// "Details…": why each drive gives the ADS.INI entries it gives, as a read-only table
// that can be copied as text (Ctrl+C, "Kopieren"). The main window hands it the
// diagnosis again whenever a probe ends.
class DetailsDialog : public QDialog {
    Q_OBJECT
public:
    explicit DetailsDialog(QWidget *parent = nullptr);

    void setReport(const DiscoveryReport &report);
    // The table as text, as quellmark-ini diagnose prints it.
    QString text() const { return DiagnosisText(m_report); }
    void copy() const;

    QTableWidget *tblDetails;
    QPushButton *btnCopy;
    QPushButton *btnClose;

private:
    DiscoveryReport m_report;
};
