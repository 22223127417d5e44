#include "ServerOverview.h"

#include "FailureDisplay.h"
#include "HeadroomMarks.h"
#include "MonitorRules.h"
#include "SpinEdit.h"
#include "TextTable.h"
#include "Timer.h"
#include "WindowAccess.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(ServerOverview)
};

} // namespace

namespace {

QColor colourOf(const Headroom &headroom)
{
    switch (headroom.level) {
    case Headroom::Level::Near:
        return HeadroomMarks::NearColour;
    case Headroom::Level::Full:
        return HeadroomMarks::FullColour;
    case Headroom::Level::Enough:
        break;
    }
    return {};
}

} // namespace

ServerOverview::ServerOverview(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("ServerOverview"));
    setWindowTitle(Texts::tr("Alle Server"));
    resize(900, 280);

    lblPeriod = new QLabel(Texts::tr("Abfragen alle"), this);
    lblPeriod->setObjectName(QStringLiteral("lblPeriod"));
    edPeriod = new SpinEdit(this);
    edPeriod->setObjectName(QStringLiteral("edPeriod"));
    edPeriod->setFixedSize(47, 21);
    // Every server anew on a connection of its own: a calmer pace than the monitor's.
    edPeriod->setText(QStringLiteral("5"));
    lblSeconds = new QLabel(Texts::tr("Sekunde(n)"), this);
    lblSeconds->setObjectName(QStringLiteral("lblSeconds"));
    lblState = new QLabel(this);
    lblState->setObjectName(QStringLiteral("lblState"));

    tblServers = new TextTable(overviewHeader(), this);
    tblServers->setObjectName(QStringLiteral("tblServers"));
    tblServers->setWordWrap(false);

    btnCopy = new QPushButton(Texts::tr("Kopieren"), this);
    btnCopy->setObjectName(QStringLiteral("btnCopy"));
    btnClose = new QPushButton(Texts::tr("Schließen"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));

    tmrPoll = new TTimer(this);
    tmrPoll->setObjectName(QStringLiteral("tmrPoll"));
    tmrPoll->setInterval(refreshPeriodMs(edPeriod->value()));
    // Ticks only while the window is shown.
    tmrPoll->setEnabled(false);
    tmrPoll->setOnTimer([this] { tmrPollTimer(); });

    auto *period = new QHBoxLayout;
    period->addWidget(lblPeriod);
    period->addWidget(edPeriod);
    period->addWidget(lblSeconds);
    period->addSpacing(24);
    period->addWidget(lblState, 1);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(btnCopy);
    buttons->addWidget(btnClose);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(period);
    layout->addWidget(tblServers, 1);
    layout->addLayout(buttons);

    connect(edPeriod, &SpinEdit::textChanged, this,
            [this] { FailureDisplay::guard([this] { edPeriodChange(); }); });
    connect(btnCopy, &QPushButton::clicked, this,
            [this] { FailureDisplay::guard([this] { copy(); }); });
    connect(btnClose, &QPushButton::clicked, this, &QDialog::close);
    connect(tblServers, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        FailureDisplay::guard([&] { chooseRow(index.row()); });
    });
    connect(&m_polls, &ServerPolls::read, this, [this](int index, const ServerStatus &status) {
        FailureDisplay::guard([&] { takeReading(index, status); });
    });
    tblServers->installEventFilter(this);

    // For screen readers: the period's field is named by the label before it and described
    // by its unit after it, as in the monitor.
    edPeriod->lineEdit()->setAccessibleName(lblPeriod->text());
    edPeriod->lineEdit()->setAccessibleDescription(lblSeconds->text());
    tblServers->setAccessibleName(windowTitle());
    WindowAccess::adopt(*this);
    showAll();
}

ServerOverview::~ServerOverview()
{
    // The timer must not tick into a window that is going away.
    tmrPoll->setEnabled(false);
}

void ServerOverview::setServers(const QList<PolledServer> &servers, bool complete)
{
    if (servers == m_servers && complete == m_complete)
        return;
    m_complete = complete;
    if (servers == m_servers) {
        showState();
        return;
    }
    m_servers = servers;
    showAll();
    if (isVisible())
        m_polls.pollAll();
}

void ServerOverview::showAll()
{
    QStringList paths;
    QList<QStringList> rows;
    QList<QStringList> tips;
    for (const PolledServer &server : std::as_const(m_servers)) {
        paths.append(server.connectPath);
        const OverviewRow row = overviewRow(server, nullptr);
        rows.append(row.cells);
        tips.append(row.toolTips);
    }
    // What the readings of the list before will give is not this list's.
    m_polls.setServers(paths);
    tblServers->setRows(rows, tips);
    showState();
}

void ServerOverview::showState()
{
    if (!m_complete)
        lblState->setText(Texts::tr("Die Server werden noch gesucht …"));
    else if (m_servers.isEmpty())
        lblState->setText(Texts::tr("Keine Server gefunden."));
    else
        lblState->setText(Texts::tr("Doppelklick: ADS Remote Check für den Server"));
}

void ServerOverview::takeReading(int index, const ServerStatus &status)
{
    if (index < 0 || index >= m_servers.size())
        return;
    const OverviewRow row = overviewRow(m_servers[index], &status);
    QList<QColor> backgrounds(row.cells.size());
    backgrounds[int(OverviewColumn::Bottleneck)] = colourOf(row.bottleneck);
    backgrounds[int(OverviewColumn::Rejected)] = colourOf(row.rejections);
    tblServers->setRow(index, row.cells, row.toolTips, backgrounds);
}

void ServerOverview::tmrPollTimer()
{
    // A server still being read is skipped: its reading goes on, no second one piles up.
    m_polls.pollAll();
}

void ServerOverview::edPeriodChange()
{
    applyPeriod(isVisible());
}

void ServerOverview::applyPeriod(bool run)
{
    const int period = refreshPeriodMs(edPeriod->value());
    // Every change of the period starts its countdown afresh.
    tmrPoll->setEnabled(false);
    if (period <= 0)
        return;
    tmrPoll->setInterval(period);
    tmrPoll->setEnabled(run);
}

bool ServerOverview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == tblServers && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            tblServers->currentIndex().isValid()) {
            FailureDisplay::guard([this] { chooseRow(tblServers->currentIndex().row()); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void ServerOverview::chooseRow(int row)
{
    if (row < 0 || row >= m_servers.size())
        return;
    emit serverChosen(m_servers[row].path, m_servers[row].port);
}

void ServerOverview::copy() const
{
    if (QClipboard *clipboard = QGuiApplication::clipboard())
        clipboard->setText(tblServers->allRowsText());
}

void ServerOverview::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // Restoring a minimised window finds the polls running still.
    if (event->spontaneous())
        return;
    // Opened: every server is read anew, at once.
    showAll();
    m_polls.pollAll();
    applyPeriod(true);
    tblServers->setFocus();
}

void ServerOverview::done(int result)
{
    QDialog::done(result);
    tmrPoll->setEnabled(false);
    m_polls.stop();
}
