#pragma once

#include "ServerDiscovery.h"

#include <QPointer>
#include <QWidget>
#include <memory>

struct KnownServer;
class Discovery;
class Platform;
class TAdsConnection;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class DetailsDialog;
struct PolledServer;
class ServerOverview;
class ShapeButton;

// The main window: network drives, the UNC path of the selected one, the ADS.INI preview
// and the two commands.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(Platform &platform, QWidget *parent = nullptr);
    ~TForm1() override;

    QLabel *Label1;
    QLabel *Label2;
    QLabel *Label3;
    QComboBox *cmbDrives;
    QLineEdit *wwDBEdit1;
    QPlainTextEdit *Memo1;
    ShapeButton *fcShapeBtn1;
    ShapeButton *fcShapeBtn2;
    TAdsConnection *AdsConnection;
    // The servers discovered at creation; created by the first discovery. Named in drive
    // order at once, their addresses and ports filled in when discovery is done.
    std::unique_ptr<TServerInfoList> ServerInfo;

    // Discovery runs beside the window; until it is done the preview shows its progress
    // and "ADS.INI aktualisieren" is disabled.
    bool DiscoveryDone() const;
    // Why each drive gives its entries, as far as discovery has got.
    DiscoveryReport Diagnosis() const;
    // "Details…" in the preview's context menu: the diagnosis, updated while probes run.
    DetailsDialog *showDetails();
    // "Alle Server…" in the preview's context menu: every server discovery found, read side
    // by side on a period; a double-click runs the remote check on one.
    ServerOverview *showAllServers();
    // The overview still reads servers, also for a closed window.
    bool ReadingsRunning() const;

    void FormCreate();
    void GetServerInfo();
    void cmbDrivesChange();
    void fcShapeBtn1Click();
    void fcShapeBtn2Click();
    // "ADS Remote Check" on a share's path, asking at the port.
    void remoteCheck(const QString &path, quint32 port);

signals:
    void discoveryFinished();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void createControls();
    // The discovery run, made with the first question to it: it lists the drives.
    Discovery &discovery();
    void fillPreview();
    quint32 discoveredPort(const QString &path) const;
    // The drives' UNC paths whose servers discovery found, with the port each answered at.
    QList<KnownServer> discoveredServers() const;
    // Every server discovery found, as the overview reads it; none while discovery runs.
    QList<PolledServer> overviewServers() const;
    void showProgress();
    void discoveryDone();
    void previewMenu(const QPoint &position);

    Platform &m_platform;
    bool m_centred = false;
    // Declared after ServerInfo, which it fills: it goes first.
    std::unique_ptr<Discovery> m_discovery;
    QPointer<DetailsDialog> m_details;
    QPointer<ServerOverview> m_overview;
};

// The program-wide reference to the main window; empty until it is created.
extern QPointer<TForm1> Form1;
