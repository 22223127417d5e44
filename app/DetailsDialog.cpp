#include "DetailsDialog.h"

#include "FailureDisplay.h"
#include "ServerDiscovery.h"
#include "TextTable.h"
#include "WindowAccess.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(DetailsDialog)
};

} // namespace

DetailsDialog::DetailsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DetailsDialog"));
    setWindowTitle(QStringLiteral("Details"));
    resize(900, 260);

    tblDetails = new TextTable(DiagnosisHeader(), this);
    tblDetails->setObjectName(QStringLiteral("tblDetails"));
    tblDetails->setWordWrap(false);
    tblDetails->setAccessibleName(tr("Laufwerke"));

    btnCopy = new QPushButton(Texts::tr("Kopieren"), this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    btnClose = new QPushButton(Texts::tr("Schließen"), this);
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
    WindowAccess::adopt(*this);
}

void DetailsDialog::setReport(const DiscoveryReport &report)
{
    const QList<QStringList> rows = DiagnosisRows(report);
    // Every cell's tooltip is its whole text; a port's gives the engine's own words too.
    QList<QStringList> tips = rows;
    for (qsizetype row = 0; row < rows.size() && std::size_t(row) < report.drives.size(); ++row) {
        const DriveDiagnosis &drive = report.drives[std::size_t(row)];
        if (drive.serverIndex < 0 || std::size_t(drive.serverIndex) >= report.servers.size() ||
            drive.probedThrough != drive.drive)
            continue;
        for (const PortTrial &trial : report.servers[std::size_t(drive.serverIndex)].ports) {
            const int column = int(trial.port == FirstProbePort ? DiagnosisColumn::FirstPort
                                                                : DiagnosisColumn::SecondPort);
            if (column < tips[row].size() && !trial.text.isEmpty())
                tips[row][column] += QLatin1Char('\n') + trial.text;
        }
    }
    tblDetails->setRows(rows, tips);
}

void DetailsDialog::copy() const
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(tblDetails->allRowsText());
}
