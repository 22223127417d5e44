#include "DetailsDialog.h"

#include "FailureDisplay.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QShortcut>
#include <QTableWidget>
#include <QVBoxLayout>

DetailsDialog::DetailsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DetailsDialog"));
    setWindowTitle(QStringLiteral("Details"));
    resize(900, 260);

    tblDetails = new QTableWidget(0, int(DiagnosisHeader().size()), this);
    tblDetails->setObjectName(QStringLiteral("tblDetails"));
    tblDetails->setHorizontalHeaderLabels(DiagnosisHeader());
    tblDetails->setEditTriggers(QAbstractItemView::NoEditTriggers);
    tblDetails->setSelectionBehavior(QAbstractItemView::SelectRows);
    tblDetails->setWordWrap(false);
    tblDetails->verticalHeader()->hide();
    tblDetails->horizontalHeader()->setStretchLastSection(true);

    btnCopy = new QPushButton(QStringLiteral("Kopieren"), this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    btnClose = new QPushButton(QStringLiteral("Schließen"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnCopy, &QPushButton::clicked, this,
            [this] { FailureDisplay::guard([this] { copy(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    // The whole table, whichever cell has the focus: one cell alone is rarely what helps.
    auto *copyKey = new QShortcut(QKeySequence::Copy, this);
    connect(copyKey, &QShortcut::activated, this,
            [this] { FailureDisplay::guard([this] { copy(); }); });

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCopy);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(tblDetails);
    layout->addLayout(buttons);
}

void DetailsDialog::setReport(const DiscoveryReport &report)
{
    m_report = report;
    const QList<QStringList> rows = DiagnosisRows(report);
    tblDetails->setRowCount(int(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < rows[row].size(); ++column) {
            auto *item = new QTableWidgetItem(rows[row][column]);
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            item->setToolTip(rows[row][column]);
            tblDetails->setItem(row, column, item);
        }
    }
    // Each port cell's tooltip gives the engine's own words.
    for (int row = 0; row < rows.size(); ++row) {
        const DriveDiagnosis &drive = report.drives[std::size_t(row)];
        if (drive.serverIndex < 0 || std::size_t(drive.serverIndex) >= report.servers.size() ||
            drive.probedThrough != drive.drive)
            continue;
        for (const PortTrial &trial : report.servers[std::size_t(drive.serverIndex)].ports) {
            QTableWidgetItem *item = tblDetails->item(row, trial.port == 6262 ? 4 : 5);
            if (item && !trial.text.isEmpty())
                item->setToolTip(item->text() + QLatin1Char('\n') + trial.text);
        }
    }
    tblDetails->resizeColumnsToContents();
}

void DetailsDialog::copy() const
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(text());
}
