#pragma once

#include "AceErrors.h"

#include <QList>
#include <QObject>
#include <QString>
#include <functional>

class TAdsConnection;

// What a connection asks of the datasets bound to it.
class TAdsConnectionClient {
public:
    // Closes the dataset; failures raise.
    virtual void CloseDataSet() = 0;
    // Forgets every engine handle without calling the engine.
    virtual void InvalidateAceHandles() = 0;
    // The connection is going away: drop the binding without touching its list.
    virtual void ConnectionGone() = 0;

protected:
    ~TAdsConnectionClient() = default;
};

enum class TAdsConnectionTableTypes { ttAdsConnectUnspecified };

class TAdsEncryptionOptions : public QObject {
    Q_OBJECT
public:
    explicit TAdsEncryptionOptions(TAdsConnection *connection);
    bool FIPSMode() const { return m_fipsMode; }
    void setFIPSMode(bool on) { m_fipsMode = on; }

private:
    bool m_fipsMode = false;
};

using TAdsDatabaseLoginEvent =
    std::function<void(TAdsConnection *connection, QString &username, QString &password)>;

// The connect path of a server's share: "\\server:port\share", filled in one pass so that a
// "%1" in a name stays as it is.
QString ConnectPathOf(const QString &server, quint32 port, const QString &share);

// Asks the user for a data-dictionary login: "Database Login". Answers false when
// cancelled. The application installs the dialog; the data layer stays free of widgets.
using LoginDialogHook =
    std::function<bool(const QString &componentName, QString &username, QString &password)>;
void setLoginDialogHook(LoginDialogHook hook);

// One client-engine connection for one connect path; lends its handle to the datasets
// bound to it and closes them when it disconnects.
class TAdsConnection : public QObject {
    Q_OBJECT
public:
    explicit TAdsConnection(QObject *owner = nullptr);
    ~TAdsConnection() override;

    virtual void setIsConnected(bool value);
    bool IsConnected() const { return FConnected; }
    virtual QString ConnectPath() const { return FConnectString; }
    virtual void setConnectPath(const QString &path);
    virtual quint32 ConnectionHandle() const { return FConnected ? FhConnection : 0; }
    virtual bool IsDictionaryConn() const { return FIsDictionaryConn; }
    virtual void Connect() { setIsConnected(true); }
    virtual void Disconnect() { setIsConnected(false); }
    virtual void AddTableToConnectList(TAdsConnectionClient *Table);
    virtual QString GetConnectionPath() const;
    virtual QString GetConnectionWithDDPath() const { return FConnectString; }
    virtual TAdsConnectionTableTypes GetAdsTableType() const
    {
        return TAdsConnectionTableTypes::ttAdsConnectUnspecified;
    }
    virtual void RemoveTableFromConnectList(TAdsConnectionClient *oCallee);
    virtual QString ConnectString() const;

    bool ReadOnly() const { return FReadOnly; }
    void setReadOnly(bool on) { FReadOnly = on; }
    bool LoginPrompt() const { return FLoginPrompt; }
    void setLoginPrompt(bool on) { FLoginPrompt = on; }
    QString Username() const { return FUsername; }
    void setUsername(const QString &name) { FUsername = name; }
    QString Password() const { return FPassword; }
    void setPassword(const QString &password) { FPassword = password; }
    TAdsEncryptionOptions *EncryptionOptions() const { return FEncryptionOptions; }
    TAdsDatabaseLoginEvent OnLogin;

    // The datasets bound to this connection, in the order they were bound.
    const QList<TAdsConnectionClient *> &TablesList() const { return FTablesList; }

    // Loading from a window's stored description: IsConnected written true meanwhile is
    // remembered and carried out by Loaded().
    void BeginLoading() { FLoading = true; }
    void Loaded();
    bool IsLoading() const { return FLoading; }

private:
    void DoConnect();
    void DoDisconnect();

    bool FConnected = false;
    QString FConnectString;
    quint32 FhConnection = 0;
    QList<TAdsConnectionClient *> FTablesList;
    bool bConnectAfterLoad = false;
    bool FIsDictionaryConn = false;
    bool FReadOnly = false;
    bool FLoginPrompt = true;
    QString FUsername;
    QString FPassword;
    TAdsEncryptionOptions *FEncryptionOptions;
    bool FLoading = false;
};
