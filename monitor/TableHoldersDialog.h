#pragma once

#include "TableHolderSearch.h"

#include <QDialog>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class TextTable;

// Asks which connected users hold a table open and shows the answer as it comes: a table
// name (a part of it is enough), the progress with a way to cancel, and the users found, which
// can be copied. The search itself is the monitor's.
class TableHoldersDialog : public QDialog {
    Q_OBJECT
public:
    static QString title();

    TableHoldersDialog(const TableHolderSearch &search, QWidget *parent);

    QLineEdit *edTableName;
    QPushButton *btnSearch;
    QProgressBar *progress;
    QLabel *lblStatus;
    QPushButton *btnCancel;
    TextTable *tblHolders;

signals:
    void searchRequested(const QString &tableText);
    void cancelRequested();

private:
    void requestSearch();
    void showProgress();
    void showOutcome(TableHolderSearch::Outcome outcome);

    const TableHolderSearch &m_search;
};
