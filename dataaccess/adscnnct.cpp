#include "adscnnct.h"

#include "AceCodes.h"
#include "ace.h"

#include <QByteArray>
#include <cstdio>
#include <optional>

namespace {

LoginDialogHook &loginDialogHook()
{
    static LoginDialogHook hook;
    return hook;
}

bool isDictionaryPath(const QString &path)
{
    return path.endsWith(QLatin1String(".ADD"), Qt::CaseInsensitive) ||
           path.endsWith(QLatin1String("__rootdd"), Qt::CaseInsensitive);
}

} // namespace

QString ConnectPathOf(const QString &server, quint32 port, const QString &share)
{
    return QStringLiteral("\\\\%1:%2\\%3").arg(server, QString::number(port), share);
}

void setLoginDialogHook(LoginDialogHook hook)
{
    loginDialogHook() = std::move(hook);
}

TAdsEncryptionOptions::TAdsEncryptionOptions(TAdsConnection *connection) : QObject(connection) {}

TAdsConnection::TAdsConnection(QObject *owner)
    : QObject(owner), FEncryptionOptions(new TAdsEncryptionOptions(this))
{
}

TAdsConnection::~TAdsConnection()
{
    // Destruction completes whatever fails on the way; failures are written to the log.
    const QList<TAdsConnectionClient *> tables = FTablesList;
    if (FConnected) {
        for (TAdsConnectionClient *table : tables) {
            try {
                table->CloseDataSet();
                table->InvalidateAceHandles();
            } catch (const std::exception &error) {
                std::fprintf(stderr, "TAdsConnection: closing a dataset failed: %s\n",
                             error.what());
            }
            table->ConnectionGone();
        }
        try {
            const UNSIGNED32 result = ace::AdsDisconnect(FhConnection);
            if (result != 0 && result != acecode::InvalidConnectionHandle)
                std::fprintf(stderr, "TAdsConnection: %s\n", AdsError(result).what());
        } catch (const std::exception &error) {
            std::fprintf(stderr, "TAdsConnection: %s\n", error.what());
        }
        FhConnection = 0;
        FConnected = false;
    } else {
        for (TAdsConnectionClient *table : tables)
            table->ConnectionGone();
    }
    FTablesList.clear();
}

void TAdsConnection::setConnectPath(const QString &path)
{
    if (FConnected)
        throw AdsConnectionError(QStringLiteral(
            "The TAdsConnection.ConnectPath may not be changed when IsConnected is TRUE"));
    FConnectString = path;
    FIsDictionaryConn = isDictionaryPath(path);
}

void TAdsConnection::setIsConnected(bool value)
{
    if (value == FConnected)
        return;
    if (FLoading && value) {
        bConnectAfterLoad = true;
        return;
    }
    if (FConnected)
        DoDisconnect();
    else
        DoConnect();
    FConnected = value;
}

void TAdsConnection::Loaded()
{
    FLoading = false;
    if (bConnectAfterLoad && !FConnected) {
        bConnectAfterLoad = false;
        setIsConnected(true);
    }
}

void TAdsConnection::DoConnect()
{
    if (FConnectString.isEmpty()) {
        FConnected = false;
        throw AdsConnectionError(
            QStringLiteral("Must specify connection string before getting a server connection."));
    }
    if (FLoginPrompt && FIsDictionaryConn) {
        QString username;
        QString password;
        if (OnLogin) {
            OnLogin(this, username, password);
        } else {
            username = FUsername;
            const LoginDialogHook &dialog = loginDialogHook();
            if (!dialog || !dialog(objectName(), username, password))
                throw EDataAccessError(QStringLiteral("Cannot connect to database '") +
                                       objectName() + QLatin1Char('\''));
        }
        FUsername = username;
        FPassword = password;
    }
    QByteArray connectString = ConnectString().toLocal8Bit();
    FhConnection = 0;
    const UNSIGNED32 result = ace::AdsConnect101(
        reinterpret_cast<UNSIGNED8 *>(connectString.data()), nullptr, &FhConnection);
    if (result != 0)
        FhConnection = 0;
    RaiseOnAceError(nullptr, result);
    FConnected = true;
}

void TAdsConnection::DoDisconnect()
{
    for (TAdsConnectionClient *table : QList<TAdsConnectionClient *>(FTablesList)) {
        try {
            table->CloseDataSet();
        } catch (...) {
            // A dataset that fails to close does not stop the disconnect.
        }
        table->InvalidateAceHandles();
    }
    const UNSIGNED32 result = ace::AdsDisconnect(FhConnection);
    std::optional<AdsError> failure;
    if (result != 0)
        failure.emplace(result);
    FConnected = false;
    FhConnection = 0;
    if (failure)
        throw *failure;
}

void TAdsConnection::AddTableToConnectList(TAdsConnectionClient *Table)
{
    FTablesList.append(Table);
}

void TAdsConnection::RemoveTableFromConnectList(TAdsConnectionClient *oCallee)
{
    FTablesList.removeOne(oCallee);
}

QString TAdsConnection::GetConnectionPath() const
{
    QString path = FConnectString;
    if (path.size() > 4 && path[path.size() - 4] == QLatin1Char('.') &&
        path.right(3).compare(QLatin1String("ADD"), Qt::CaseInsensitive) == 0) {
        const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
        const qsizetype backslash = path.lastIndexOf(QLatin1Char('\\'));
        if (slash >= 0)
            path.truncate(slash);
        else if (backslash >= 0)
            path.truncate(backslash);
        else
            path = QStringLiteral(".\\");
    }
    return path;
}

QString TAdsConnection::ConnectString() const
{
    // Every setting but these stays the engine's choice (the kinds of server among them),
    // so the string names nothing else.
    QString result = QStringLiteral("Data Source=%1;").arg(FConnectString.left(255));
    if (FIsDictionaryConn && !FUsername.isEmpty()) {
        result += QStringLiteral("User ID=%1;").arg(FUsername);
        if (!FPassword.isEmpty())
            result += QStringLiteral("Password=\"%1\";").arg(FPassword);
    }
    result +=
        QStringLiteral("FIPS=%1;")
            .arg(FEncryptionOptions->FIPSMode() ? QStringLiteral("True") : QStringLiteral("False"));
    return result;
}
