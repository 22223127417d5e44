#include "DetailsDialog.h"

#include "FailureDisplay.h"
#include "ServerDiscovery.h"
#include "TextTable.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

DetailsDialog::DetailsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DetailsDialog"));
    setWindowTitle(QStringLiteral("Details"));
    resize(900, 260);

    tblDetails = new TextTable(DiagnosisHeader(), this);
    tblDetails->setObjectName(QStringLiteral("tblDetails"));
    tblDetails->setWordWrap(false);

    btnCopy = new QPushButton(QStringLiteral("Kopieren"), this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    btnClose = new QPushButton(QStringLiteral("Schließen"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnCopy, &QPushButton::clicked, this,
            [this] { FailureDisplay::guard([this] { copy(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);

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
    const QList<QStringList> rows = DiagnosisRows(report);
    tblDetails->setRows(rows);
    for (int row = 0; row < tblDetails->rowCount(); ++row) {
        for (int column = 0; column < tblDetails->columnCount(); ++column) {
            QTableWidgetItem *item = tblDetails->item(row, column);
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
            item->setToolTip(item->text());
        }
    }
    // Each port cell's tooltip gives the engine's own words.
    for (int row = 0; row < tblDetails->rowCount(); ++row) {
        const DriveDiagnosis &drive = report.drives[std::size_t(row)];
        if (drive.serverIndex < 0 || std::size_t(drive.serverIndex) >= report.servers.size() ||
            drive.probedThrough != drive.drive)
            continue;
        for (const PortTrial &trial : report.servers[std::size_t(drive.serverIndex)].ports) {
            const DiagnosisColumn column = trial.port == FirstProbePort
                                               ? DiagnosisColumn::FirstPort
                                               : DiagnosisColumn::SecondPort;
            QTableWidgetItem *item = tblDetails->item(row, int(column));
            if (item && !trial.text.isEmpty())
                item->setToolTip(item->text() + QLatin1Char('\n') + trial.text);
        }
    }
}

void DetailsDialog::copy() const
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(tblDetails->allRowsText());
}
