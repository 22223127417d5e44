#include "dlgMainU.h"

#include "AdsIni.h"
#include "DetailsDialog.h"
#include "Discovery.h"
#include "DriveUtils.h"
#include "FailureDisplay.h"
#include "Platform.h"
#include "ServerOverview.h"
#include "ShapeButton.h"
#include "WindowAccess.h"
#include "adscnnct.h"
#include "dlgRemoteInfoU.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>
#include <algorithm>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(MainWindow)
};

} // namespace

QPointer<TForm1> Form1;

TForm1::TForm1(Platform &platform, QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      m_platform(platform)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quellmark"));
    setFixedSize(494, 318);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);
    createControls();
    AdsConnection = new TAdsConnection(this);
    AdsConnection->setObjectName(QStringLiteral("AdsConnection"));
    FailureDisplay::guard([this] { FormCreate(); });
}

TForm1::~TForm1() = default;

void TForm1::createControls()
{
    auto label = [this](const char *name, const QString &text, QRect geometry) {
        auto *result = new QLabel(text, this);
        result->setObjectName(QLatin1String(name));
        result->setGeometry(geometry);
        return result;
    };
    Label1 = label("Label1", Texts::tr("Netzwerklaufwerke"), {24, 24, 92, 13});
    Label2 = label("Label2", QStringLiteral("UNC-Path"), {24, 46, 47, 13});
    Label3 = label("Label3", Texts::tr("zu setzende ADS.INI Einträge:"), {24, 85, 142, 15});

    cmbDrives = new QComboBox(this);
    cmbDrives->setObjectName(QStringLiteral("cmbDrives"));
    cmbDrives->setEditable(true);
    cmbDrives->setInsertPolicy(QComboBox::NoInsert);
    cmbDrives->setMaxVisibleItems(8);
    cmbDrives->setGeometry(122, 21, 47, 21);
    // Typed, picked or set by code: every change of the text re-resolves it.
    connect(cmbDrives, &QComboBox::currentTextChanged, this,
            [this] { FailureDisplay::guard([this] { cmbDrivesChange(); }); });

    wwDBEdit1 = new QLineEdit(this);
    wwDBEdit1->setObjectName(QStringLiteral("wwDBEdit1"));
    wwDBEdit1->setGeometry(122, 43, 351, 21);

    Memo1 = new QPlainTextEdit(this);
    Memo1->setObjectName(QStringLiteral("Memo1"));
    Memo1->setGeometry(24, 104, 449, 200);
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont memoFont(QStringLiteral("Courier New"));
    memoFont.setPixelSize(11);
    memoFont.setStyleHint(QFont::TypeWriter);
    Memo1->setFont(memoFont);
    // The standard menu, and "Alle Server…" and "Details…" below it.
    Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Memo1, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        FailureDisplay::guard([&] { previewMenu(position); });
    });

    fcShapeBtn1 = new ShapeButton(QStringLiteral("ADS Remote Check"), QColor(208, 255, 160), this);
    fcShapeBtn1->setObjectName(QStringLiteral("fcShapeBtn1"));
    fcShapeBtn1->setGeometry(328, 12, 145, 25);
    connect(fcShapeBtn1, &ShapeButton::clicked, this,
            [this] { FailureDisplay::guard([this] { fcShapeBtn1Click(); }); });

    fcShapeBtn2 = new ShapeButton(Texts::tr("ADS.INI aktualisieren"), QColor(255, 255, 160), this);
    fcShapeBtn2->setObjectName(QStringLiteral("fcShapeBtn2"));
    fcShapeBtn2->setGeometry(323, 73, 150, 25);
    connect(fcShapeBtn2, &ShapeButton::clicked, this,
            [this] { FailureDisplay::guard([this] { fcShapeBtn2Click(); }); });

    setTabOrder(cmbDrives, wwDBEdit1);
    setTabOrder(wwDBEdit1, Memo1);
    setTabOrder(Memo1, fcShapeBtn1);
    setTabOrder(fcShapeBtn1, fcShapeBtn2);

    // Screen readers name each control after the label beside it.
    Label1->setBuddy(cmbDrives);
    Label2->setBuddy(wwDBEdit1);
    Label3->setBuddy(Memo1);
    WindowAccess::adopt(*this);
}

void TForm1::FormCreate()
{
    {
        // Filling must not select: the first drive is selected below, as its own step.
        const QSignalBlocker blocker(cmbDrives);
        cmbDrives->clear();
        cmbDrives->addItems(discovery().networkDrives());
        cmbDrives->setCurrentIndex(-1);
        cmbDrives->setEditText(QString());
    }

    GetServerInfo();

    if (cmbDrives->count() > 0)
        cmbDrives->setCurrentIndex(0);

    fillPreview();
}

void TForm1::GetServerInfo()
{
    if (!ServerInfo)
        ServerInfo = std::make_unique<TServerInfoList>(m_platform);
    // Resolving only reads the drives' link texts; the lookups and probes, which may wait
    // for time-outs, run beside the window.
    discovery().start(*ServerInfo);
    fcShapeBtn2->setEnabled(false);
}

Discovery &TForm1::discovery()
{
    // Created with the drive list: the combo, the preview and the writer all use its list.
    if (!m_discovery) {
        m_discovery = std::make_unique<Discovery>(m_platform);
        connect(m_discovery.get(), &Discovery::progressed, this,
                [this] { FailureDisplay::guard([this] { showProgress(); }); });
        connect(m_discovery.get(), &Discovery::finished, this,
                [this] { FailureDisplay::guard([this] { discoveryDone(); }); });
    }
    return *m_discovery;
}

bool TForm1::DiscoveryDone() const
{
    return !m_discovery || m_discovery->isDone();
}

void TForm1::discoveryDone()
{
    fillPreview();
    fcShapeBtn2->setEnabled(true);
    int answered = 0;
    for (int i = 0; ServerInfo && i < ServerInfo->Count(); ++i)
        answered += ServerInfo->Record(i)->AVaible ? 1 : 0;
    WindowAccess::announce(*this, tr("Suche beendet: %1 von %2 Servern antworten")
                                      .arg(answered)
                                      .arg(ServerInfo ? ServerInfo->Count() : 0));
    if (m_details)
        m_details->setReport(Diagnosis());
    if (m_overview)
        m_overview->setServers(overviewServers(), true);
    emit discoveryFinished();
}

void TForm1::showProgress()
{
    if (m_details)
        m_details->setReport(Diagnosis());
    if (DiscoveryDone())
        return;
    Memo1->setPlainText(m_discovery->progressLines().join(QLatin1Char('\n')));
}

DiscoveryReport TForm1::Diagnosis() const
{
    return m_discovery ? m_discovery->report() : DiscoveryReport{};
}

DetailsDialog *TForm1::showDetails()
{
    if (!m_details)
        m_details = new DetailsDialog(this);
    m_details->setReport(Diagnosis());
    m_details->show();
    m_details->raise();
    m_details->activateWindow();
    return m_details;
}

ServerOverview *TForm1::showAllServers()
{
    if (!m_overview) {
        m_overview = new ServerOverview(this);
        connect(m_overview, &ServerOverview::serverChosen, this,
                [this](const QString &path, quint32 port) {
                    FailureDisplay::guard([&] { remoteCheck(path, port); });
                });
    }
    m_overview->setServers(overviewServers(), DiscoveryDone());
    m_overview->show();
    m_overview->raise();
    m_overview->activateWindow();
    return m_overview;
}

bool TForm1::ReadingsRunning() const
{
    return m_overview && m_overview->readingsRunning();
}

QList<PolledServer> TForm1::overviewServers() const
{
    if (!m_discovery || !DiscoveryDone())
        return {};
    return polledServers(m_platform, m_discovery->report(), m_discovery->records());
}

void TForm1::previewMenu(const QPoint &position)
{
    const std::unique_ptr<QMenu> menu(Memo1->createStandardContextMenu(position));
    menu->addSeparator();
    QAction *allServers = menu->addAction(Texts::tr("Alle Server…"));
    allServers->setObjectName(QStringLiteral("actAllServers"));
    connect(allServers, &QAction::triggered, this,
            [this] { FailureDisplay::guard([this] { showAllServers(); }); });
    QAction *details = menu->addAction(Texts::tr("Details…"));
    details->setObjectName(QStringLiteral("actDetails"));
    connect(details, &QAction::triggered, this,
            [this] { FailureDisplay::guard([this] { showDetails(); }); });
    menu->exec(Memo1->viewport()->mapToGlobal(position));
}

void TForm1::fillPreview()
{
    if (!m_discovery)
        return;
    if (!DiscoveryDone()) {
        showProgress();
        return;
    }
    Memo1->setPlainText(AdsIni::ShownPreview(m_platform, *m_discovery).join(QLatin1Char('\n')));
}

void TForm1::cmbDrivesChange()
{
    QString uncPath;
    QString errorText;
    GetUNCPath(m_platform, cmbDrives->currentText(), uncPath, errorText);
    wwDBEdit1->setText(uncPath);
}

quint32 TForm1::discoveredPort(const QString &path) const
{
    // Discovery found the server answering at the second port only: ask there. Otherwise,
    // and while discovery runs, at the first.
    if (DiscoveryDone() && ServerInfo) {
        const int index = ServerInfo->IndexOf(SplitUNCPath(m_platform, path));
        if (index >= 0 && ServerInfo->Record(index)->AVaible &&
            ServerInfo->Record(index)->LAN_PORT == SecondProbePort)
            return SecondProbePort;
    }
    return FirstProbePort;
}

QList<KnownServer> TForm1::discoveredServers() const
{
    QList<KnownServer> servers;
    if (!m_discovery || !DiscoveryDone() || !ServerInfo)
        return servers;
    for (const DriveDiagnosis &drive : m_discovery->report().drives) {
        const QString &path = drive.uncPath;
        if (path.isEmpty() || drive.serverIndex < 0 || drive.serverIndex >= ServerInfo->Count())
            continue;
        const TAdsServerInfo &server = *ServerInfo->Record(drive.serverIndex);
        if (!server.AVaible)
            continue;
        if (std::none_of(servers.cbegin(), servers.cend(),
                         [&path](const KnownServer &known) { return known.path == path; }))
            servers.append({path, server.LAN_PORT});
    }
    return servers;
}

void TForm1::fcShapeBtn1Click()
{
    remoteCheck(wwDBEdit1->text(), discoveredPort(wwDBEdit1->text()));
}

void TForm1::remoteCheck(const QString &path, quint32 port)
{
    if (!dlgRemoteInfo)
        dlgRemoteInfo = new TdlgRemoteInfo(m_platform, this);
    dlgRemoteInfo->setKnownServers(discoveredServers());
    dlgRemoteInfo->setAdsServer(path, port);
    dlgRemoteInfo->exec();
}

void TForm1::fcShapeBtn2Click()
{
    // Disabled until then; a click that still arrives writes nothing half known.
    if (!DiscoveryDone())
        return;
    const QString filePath = AdsIni::FilePath(m_platform.executablePath());
    const TServerInfoList none(m_platform);
    // The drives as listed at creation, each resolved anew from its root as it is written.
    AdsIni::Write(m_platform, filePath, m_discovery ? m_discovery->networkDrives() : QStringList(),
                  ServerInfo ? *ServerInfo : none);

    FailureDisplay::inform(
        Texts::tr("Informationen"),
        Texts::tr("Die Konfigurationsdatei \"%1\" wurde aktualisiert!").arg(filePath));
}

void TForm1::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        m_centred = true;
        if (const QScreen *screen = QGuiApplication::primaryScreen()) {
            QRect frame = frameGeometry();
            frame.moveCenter(screen->availableGeometry().center());
            move(frame.topLeft());
        }
    }
    QWidget::showEvent(event);
}
