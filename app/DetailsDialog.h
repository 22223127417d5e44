#pragma once

#include "Diagnosis.h"

#include <QDialog>

class QPushButton;
class TextTable;

// "Details…": why each drive gives the ADS.INI entries it gives, as a read-only table whose
// rows copy as the grids' do (Ctrl+C, the context menu), "Kopieren" copying them all. The
// main window hands it the diagnosis again whenever a probe ends.
class DetailsDialog : public QDialog {
    Q_OBJECT
public:
    explicit DetailsDialog(QWidget *parent = nullptr);

    void setReport(const DiscoveryReport &report);
    // Every row, with the titles, as tab-separated text to the clipboard.
    void copy() const;

    TextTable *tblDetails;
    QPushButton *btnCopy;
    QPushButton *btnClose;
};
