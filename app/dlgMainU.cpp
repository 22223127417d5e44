#include "dlgMainU.h"

#include "AdsIni.h"
#include "DetailsDialog.h"
#include "DriveUtils.h"
#include "FailureDisplay.h"
#include "Platform.h"
#include "ServerProbes.h"
#include "ShapeButton.h"
#include "adscnnct.h"
#include "dlgRemoteInfoU.h"

#include <QComboBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScreen>

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

void TForm1::createControls()
{
    auto label = [this](const char *name, const QString &text, QRect geometry) {
        auto *result = new QLabel(text, this);
        result->setObjectName(QLatin1String(name));
        result->setGeometry(geometry);
        return result;
    };
    Label1 = label("Label1", QStringLiteral("Netzwerklaufwerke"), {24, 24, 92, 13});
    Label2 = label("Label2", QStringLiteral("UNC-Path"), {24, 46, 47, 13});
    Label3 = label("Label3", QStringLiteral("zu setzende ADS.INI Einträge:"), {24, 85, 142, 15});

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
    // The standard menu, and "Details…" below it.
    Memo1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(Memo1, &QWidget::customContextMenuRequested, this, [this](const QPoint &position) {
        FailureDisplay::guard([&] { previewMenu(position); });
    });

    fcShapeBtn1 = new ShapeButton(QStringLiteral("ADS Remote Check"), QColor(208, 255, 160), this);
    fcShapeBtn1->setObjectName(QStringLiteral("fcShapeBtn1"));
    fcShapeBtn1->setGeometry(328, 12, 145, 25);
    connect(fcShapeBtn1, &ShapeButton::clicked, this,
            [this] { FailureDisplay::guard([this] { fcShapeBtn1Click(); }); });

    fcShapeBtn2 =
        new ShapeButton(QStringLiteral("ADS.INI aktualisieren"), QColor(255, 255, 160), this);
    fcShapeBtn2->setObjectName(QStringLiteral("fcShapeBtn2"));
    fcShapeBtn2->setGeometry(323, 73, 150, 25);
    connect(fcShapeBtn2, &ShapeButton::clicked, this,
            [this] { FailureDisplay::guard([this] { fcShapeBtn2Click(); }); });

    setTabOrder(cmbDrives, wwDBEdit1);
    setTabOrder(wwDBEdit1, Memo1);
    setTabOrder(Memo1, fcShapeBtn1);
    setTabOrder(fcShapeBtn1, fcShapeBtn2);
}

void TForm1::FormCreate()
{
    QStringList drives;
    ListDrivesOfType(m_platform, drives, DRIVE_REMOTE, true);
    {
        // Filling must not select: the first drive is selected below, as its own step.
        const QSignalBlocker blocker(cmbDrives);
        cmbDrives->clear();
        cmbDrives->addItems(drives);
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
    // Planning only reads the drives' link texts; the lookups and probes, which may wait
    // for time-outs, run beside the window.
    std::vector<ServerProbe> plan = PlanDiscovery(m_platform, *ServerInfo, &m_drives);
    delete m_probes;
    m_probes = new ServerProbes(m_platform, std::move(plan), MaxProbeWorkers, this);
    m_discovered = false;
    fcShapeBtn2->setEnabled(false);
    connect(m_probes, &ServerProbes::progressed, this,
            [this] { FailureDisplay::guard([this] { showProgress(); }); });
    connect(m_probes, &ServerProbes::finished, this,
            [this] { FailureDisplay::guard([this] { discoveryDone(); }); });
}

bool TForm1::DiscoveryDone() const
{
    return m_discovered;
}

void TForm1::discoveryDone()
{
    const std::vector<TAdsServerInfo> &results = m_probes->results();
    for (std::size_t i = 0; i < results.size() && int(i) < ServerInfo->Count(); ++i)
        *ServerInfo->Record(int(i)) = results[i];
    m_discovered = true;
    fillPreview();
    fcShapeBtn2->setEnabled(true);
    if (m_details)
        m_details->setReport(Diagnosis());
    emit discoveryFinished();
}

void TForm1::showProgress()
{
    if (m_details)
        m_details->setReport(Diagnosis());
    if (DiscoveryDone())
        return;
    Memo1->setPlainText(ProgressLines(m_probes->done(), m_probes->total(), m_probes->running())
                            .join(QLatin1Char('\n')));
}

DiscoveryReport TForm1::Diagnosis() const
{
    DiscoveryReport report;
    report.drives = m_drives;
    if (m_probes)
        report.servers = m_probes->diagnoses();
    return report;
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

void TForm1::previewMenu(const QPoint &position)
{
    const std::unique_ptr<QMenu> menu(Memo1->createStandardContextMenu(position));
    menu->addSeparator();
    QAction *details = menu->addAction(QStringLiteral("Details…"));
    details->setObjectName(QStringLiteral("actDetails"));
    connect(details, &QAction::triggered, this,
            [this] { FailureDisplay::guard([this] { showDetails(); }); });
    menu->exec(Memo1->viewport()->mapToGlobal(position));
}

QStringList TForm1::driveList() const
{
    QStringList drives;
    for (int i = 0; i < cmbDrives->count(); ++i)
        drives.append(cmbDrives->itemText(i));
    return drives;
}

void TForm1::fillPreview()
{
    if (!DiscoveryDone()) {
        showProgress();
        return;
    }
    const TServerInfoList none(m_platform);
    Memo1->setPlainText(
        AdsIni::ShownPreview(m_platform, driveList(), ServerInfo ? *ServerInfo : none)
            .join(QLatin1Char('\n')));
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

void TForm1::fcShapeBtn1Click()
{
    if (!dlgRemoteInfo)
        dlgRemoteInfo = new TdlgRemoteInfo(m_platform, this);
    dlgRemoteInfo->setAdsServer(wwDBEdit1->text(), discoveredPort(wwDBEdit1->text()));
    dlgRemoteInfo->exec();
}

void TForm1::fcShapeBtn2Click()
{
    // Disabled until then; a click that still arrives writes nothing half known.
    if (!DiscoveryDone())
        return;
    const QString filePath = AdsIni::FilePath(m_platform.executablePath());
    const TServerInfoList none(m_platform);
    AdsIni::Write(m_platform, filePath, driveList(), ServerInfo ? *ServerInfo : none);

    FailureDisplay::inform(
        QStringLiteral("Informationen"),
        QStringLiteral("Die Konfigurationsdatei \"%1\" wurde aktualisiert!").arg(filePath));
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
