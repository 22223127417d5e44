#include "EngineCallLog.h"
#include "FakeDataSet.h"
#include "MessageOf.h"
#include "QtPrinters.h"
#include "StandinServer.h"
#include "ace.h"
#include "adscnnct.h"
#include "adsdata.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <gtest/gtest.h>
#include <memory>

namespace {

class ConnectionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server = std::make_unique<StandinServer>(); }
    static void TearDownTestSuite() { server.reset(); }
    void SetUp() override { server->resetFaults(); }

    static std::unique_ptr<StandinServer> server;
};
std::unique_ptr<StandinServer> ConnectionTest::server;

TEST_F(ConnectionTest, ConnectsAndDisconnects)
{
    TAdsConnection connection;
    connection.setObjectName(QStringLiteral("AdsConnect"));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(connection.ConnectionHandle(), 0u);
    connection.setConnectPath(server->connectPath(QStringLiteral("daten")));
    connection.Connect();
    EXPECT_TRUE(connection.IsConnected());
    const quint32 handle = connection.ConnectionHandle();
    EXPECT_NE(handle, 0u);
    UNSIGNED16 type = 0;
    EXPECT_EQ(ace::AdsGetHandleType(handle, &type), 0u);
    EXPECT_EQ(type, ADS_CONNECTION);

    connection.Disconnect();
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(connection.ConnectionHandle(), 0u);
    EXPECT_NE(ace::AdsGetHandleType(handle, &type), 0u);

    // Every new connect asks the engine for a new handle.
    connection.setIsConnected(true);
    EXPECT_NE(connection.ConnectionHandle(), handle);
    connection.setIsConnected(false);

    server->waitForLog(QStringLiteral("disconnect #"), 2);
    const QStringList log = server->log();
    EXPECT_FALSE(log.filter(QStringLiteral("application=connection_tests")).isEmpty())
        << log.join('\n').toStdString();
    EXPECT_FALSE(log.filter(QStringLiteral("share=daten")).isEmpty());
    EXPECT_FALSE(log.filter(QStringLiteral("disconnect #")).isEmpty());
}

TEST_F(ConnectionTest, RepeatedStateWritesMakeNoEngineCall)
{
    TAdsConnection connection;
    connection.setConnectPath(server->connectPath(QStringLiteral("daten")));
    EngineCallLog log;
    connection.Disconnect();
    connection.setIsConnected(false);
    EXPECT_TRUE(log.calls().isEmpty());
    connection.Connect();
    connection.Connect();
    connection.setIsConnected(true);
    EXPECT_EQ(log.calls(), QStringList{QStringLiteral("AdsConnect101")});
    connection.Disconnect();
    connection.Disconnect();
    EXPECT_EQ(log.calls(),
              QStringList({QStringLiteral("AdsConnect101"), QStringLiteral("AdsDisconnect")}));
}

TEST_F(ConnectionTest, ConnectPathRefusedWhileConnectedEvenWhenUnchanged)
{
    TAdsConnection connection;
    const QString path = server->connectPath(QStringLiteral("daten"));
    connection.setConnectPath(path);
    connection.Connect();
    const QString refused = QStringLiteral(
        "The TAdsConnection.ConnectPath may not be changed when IsConnected is TRUE");
    EXPECT_EQ(messageOf<AdsConnectionError>([&] { connection.setConnectPath(path); }), refused);
    EXPECT_EQ(
        messageOf<AdsConnectionError>([&] { connection.setConnectPath(QStringLiteral("x")); }),
        refused);
    EXPECT_TRUE(connection.IsConnected());
    EXPECT_EQ(connection.ConnectPath(), path);
    connection.Disconnect();
    connection.setConnectPath(QStringLiteral("x"));
    EXPECT_EQ(connection.ConnectPath(), QStringLiteral("x"));
}

TEST_F(ConnectionTest, EmptyPathIsRefusedBeforeTheEngine)
{
    TAdsConnection connection;
    EngineCallLog log;
    EXPECT_EQ(messageOf<AdsConnectionError>([&] { connection.Connect(); }),
              QStringLiteral("Must specify connection string before getting a server connection."));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_TRUE(log.calls().isEmpty());
}

TEST_F(ConnectionTest, ConnectStringEntries)
{
    TAdsConnection connection;
    connection.setConnectPath(QStringLiteral("\\\\srv:6262\\daten"));
    EXPECT_EQ(connection.ConnectString(),
              QStringLiteral("Data Source=\\\\srv:6262\\daten;FIPS=False;"));
    connection.EncryptionOptions()->setFIPSMode(true);
    connection.setUsername(QStringLiteral("adam"));
    EXPECT_EQ(connection.ConnectString(),
              QStringLiteral("Data Source=\\\\srv:6262\\daten;FIPS=True;"));

    const QString longPath = QStringLiteral("\\\\srv:6262\\") + QString(300, QLatin1Char('p'));
    connection.setConnectPath(longPath);
    EXPECT_EQ(connection.ConnectString(),
              QStringLiteral("Data Source=") + longPath.left(255) + QStringLiteral(";FIPS=True;"));

    connection.setConnectPath(QStringLiteral("\\\\srv:6262\\app\\data.add"));
    EXPECT_TRUE(connection.IsDictionaryConn());
    connection.setPassword(QStringLiteral("geheim"));
    EXPECT_EQ(
        connection.ConnectString(),
        QStringLiteral(
            "Data Source=\\\\srv:6262\\app\\data.add;User ID=adam;Password=\"geheim\";FIPS=True;"));
}

TEST(Connection, ConnectPathsKeepPercentSignsOfNames)
{
    const struct {
        const char *server;
        quint32 port;
        const char *share;
        const char *path;
    } cases[] = {
        {"FS1", 6262, "daten", "\\\\FS1:6262\\daten"},
        {"FS%1", 6262, "daten", "\\\\FS%1:6262\\daten"},
        {"FS%2", 2001, "%3", "\\\\FS%2:2001\\%3"},
        {"", 6262, "", "\\\\:6262\\"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ConnectPathOf(QString::fromUtf8(c.server), c.port, QString::fromUtf8(c.share)),
                  QString::fromUtf8(c.path));
}

TEST_F(ConnectionTest, LongPathReachesTheEngineCut)
{
    TAdsConnection connection;
    const QString share = QString(300, QLatin1Char('s'));
    const QString path = server->connectPath(share);
    connection.setConnectPath(path);
    connection.Connect();
    connection.Disconnect();
    const QString sent = path.left(255);
    const QString cutShare = sent.mid(sent.indexOf(QLatin1Char('\\'), 2) + 1);
    const QStringList connects =
        server->log().filter(QRegularExpression(QStringLiteral("^connect #")));
    ASSERT_FALSE(connects.isEmpty());
    EXPECT_TRUE(connects.last().endsWith(QStringLiteral(" share=") + cutShare))
        << connects.last().toStdString();
}

TEST(Connection, DictionaryRuleAndConnectionPath)
{
    const struct {
        const char *path;
        bool dictionary;
        const char *connectionPath;
    } cases[] = {
        {"\\\\srv:6262\\daten", false, "\\\\srv:6262\\daten"},
        {"\\\\srv:6262\\app\\DATA.ADD", true, "\\\\srv:6262\\app"},
        {"\\\\srv:6262\\app\\data.Add", true, "\\\\srv:6262\\app"},
        {"//srv/app/data.add", true, "//srv/app"},
        {"data.add", true, ".\\"},
        {"\\\\srv:6262\\x__rootdd", true, "\\\\srv:6262\\x__rootdd"},
        {"\\\\srv:6262\\x__ROOTDD", true, "\\\\srv:6262\\x__ROOTDD"},
        {".add", true, ".add"},
        {"ADD", false, "ADD"},
        {"", false, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path);
        TAdsConnection connection;
        connection.setConnectPath(QString::fromUtf8(c.path));
        EXPECT_EQ(connection.IsDictionaryConn(), c.dictionary);
        EXPECT_EQ(connection.GetConnectionPath(), QString::fromUtf8(c.connectionPath));
        EXPECT_EQ(connection.GetConnectionWithDDPath(), QString::fromUtf8(c.path));
    }
}

TEST_F(ConnectionTest, DictionaryLoginThroughOnLoginOrTheDialog)
{
    TAdsConnection connection;
    connection.setObjectName(QStringLiteral("AdsConnect"));
    connection.setConnectPath(server->connectPath(QStringLiteral("app\\data.add")));
    connection.setUsername(QStringLiteral("vorher"));
    int asked = 0;
    connection.OnLogin = [&](TAdsConnection *, QString &user, QString &password) {
        EXPECT_TRUE(user.isEmpty());
        EXPECT_TRUE(password.isEmpty());
        ++asked;
        user = QStringLiteral("adam");
        password = QStringLiteral("geheim");
    };
    connection.Connect();
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(connection.Username(), QStringLiteral("adam"));
    EXPECT_EQ(connection.Password(), QStringLiteral("geheim"));
    connection.Disconnect();

    connection.OnLogin = nullptr;
    QString offered;
    setLoginDialogHook([&](const QString &name, QString &user, QString &) {
        offered = name + QLatin1Char('/') + user;
        return false;
    });
    EXPECT_EQ(messageOf<EDataAccessError>([&] { connection.Connect(); }),
              QStringLiteral("Cannot connect to database 'AdsConnect'"));
    EXPECT_EQ(offered, QStringLiteral("AdsConnect/adam"));
    EXPECT_FALSE(connection.IsConnected());

    connection.setLoginPrompt(false);
    connection.Connect();
    EXPECT_TRUE(connection.IsConnected());
    connection.Disconnect();
    setLoginDialogHook(nullptr);
}

TEST_F(ConnectionTest, FailedConnectsLeaveItDisconnectedWithTheEngineText)
{
    // A port where nothing listens: taken and released again.
    quint16 closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress(QStringLiteral("127.0.0.1")), 0));
        closedPort = probe.serverPort();
    }
    const struct {
        const char *name;
        QByteArray fault;
        QString path;
        const char *text;
    } cases[] = {
        {"refused port", "{}", QStringLiteral("\\\\127.0.0.1:%1\\daten").arg(closedPort),
         "is not reachable: Connection refused."},
        {"refused by the server", R"({"refuseConnects":1})",
         server->connectPath(QStringLiteral("daten")), "refused the connection."},
        {"closed mid-handshake", R"({"closeMidAnswer":1})",
         server->connectPath(QStringLiteral("daten")), "The server closed the connection."},
        {"time-out", R"({"delayMs":3500})", server->connectPath(QStringLiteral("daten")),
         "did not answer in time."},
        {"not a server path", "{}", QStringLiteral("daten"), "is not a server path."},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        server->control(c.fault);
        TAdsConnection connection;
        connection.setConnectPath(c.path);
        try {
            connection.Connect();
            ADD_FAILURE() << "connected";
        } catch (const EADSDatabaseError &error) {
            EXPECT_TRUE(error.message().endsWith(QString::fromUtf8(c.text)))
                << error.message().toStdString();
        }
        EXPECT_FALSE(connection.IsConnected());
        EXPECT_EQ(connection.ConnectionHandle(), 0u);
        server->resetFaults();
        // The path may be written again, and the next connect tries afresh.
        connection.setConnectPath(server->connectPath(QStringLiteral("daten")));
        connection.Connect();
        EXPECT_TRUE(connection.IsConnected());
        connection.Disconnect();
    }
}

TEST(Connection, UnknownShareIsRefusedByTheServer)
{
    StandinServer server({QStringLiteral("127.0.0.1:0")}, R"({"name":"FS01","shares":["daten"]})");
    TAdsConnection connection;
    connection.setConnectPath(server.connectPath(QStringLiteral("privat")));
    EXPECT_EQ(messageOf<EADSDatabaseError>([&] { connection.Connect(); }),
              QStringLiteral("The share \"privat\" is not served by FS01."));
    connection.setConnectPath(server.connectPath(QStringLiteral("DATEN\\2026")));
    connection.Connect();
    EXPECT_TRUE(connection.IsConnected());
}

TEST_F(ConnectionTest, DisconnectClosesEveryBoundDataSetInOrderEvenWhenOneFails)
{
    QStringList journal;
    TAdsConnection connection;
    FakeDataSet first(QStringLiteral("qFirst"), journal);
    FakeDataSet failing(QStringLiteral("qFailing"), journal);
    FakeDataSet last(QStringLiteral("qLast"), journal);
    failing.closeFails = true;
    for (FakeDataSet *dataSet : {&first, &failing, &last})
        dataSet->setAdsConnection(&connection);
    EXPECT_EQ(connection.TablesList().size(), 3);

    connection.setConnectPath(server->connectPath(QStringLiteral("daten")));
    connection.Connect();
    connection.Disconnect();
    EXPECT_EQ(journal,
              QStringList({QStringLiteral("qFirst.close"), QStringLiteral("qFirst.invalidate"),
                           QStringLiteral("qFailing.close"), QStringLiteral("qFailing.invalidate"),
                           QStringLiteral("qLast.close"), QStringLiteral("qLast.invalidate")}));
    EXPECT_FALSE(connection.IsConnected());

    failing.setAdsConnection(nullptr);
    EXPECT_EQ(connection.TablesList(), (QList<TAdsConnectionClient *>{&first, &last}));
}

TEST_F(ConnectionTest, FailedEngineDisconnectRaisesAdsErrorAfterClearingTheState)
{
    TAdsConnection connection;
    connection.setConnectPath(server->connectPath(QStringLiteral("daten")));
    connection.Connect();
    // The engine loses the handle behind the connection's back.
    ace::AdsDisconnect(connection.ConnectionHandle());
    EXPECT_EQ(messageOf<AdsError>([&] { connection.Disconnect(); }),
              QStringLiteral("Invalid connection handle."));
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_EQ(connection.ConnectionHandle(), 0u);
    connection.setConnectPath(server->connectPath(QStringLiteral("apps")));
}

TEST_F(ConnectionTest, ConnectWrittenWhileLoadingHappensAfterLoading)
{
    TAdsConnection connection;
    EngineCallLog log;
    connection.BeginLoading();
    connection.setConnectPath(server->connectPath(QStringLiteral("daten")));
    connection.setIsConnected(true);
    EXPECT_FALSE(connection.IsConnected());
    EXPECT_TRUE(log.calls().isEmpty());
    connection.Loaded();
    EXPECT_TRUE(connection.IsConnected());
    connection.Disconnect();
}

TEST_F(ConnectionTest, DestructionUnbindsDataSetsAndDisconnects)
{
    QStringList journal;
    FakeDataSet query(QStringLiteral("q"), journal);
    const int before = server->log().filter(QStringLiteral("disconnect #")).size();
    {
        TAdsConnection connection;
        query.setAdsConnection(&connection);
        connection.setConnectPath(server->connectPath(QStringLiteral("daten")));
        connection.Connect();
    }
    EXPECT_EQ(query.AdsConnection(), nullptr);
    EXPECT_EQ(journal, QStringList({QStringLiteral("q.close"), QStringLiteral("q.invalidate")}));
    EXPECT_EQ(server->waitForLog(QStringLiteral("disconnect #"), before + 1).size(), before + 1);
}

TEST_F(ConnectionTest, ServesHundredsOfClientsAtOnce)
{
    std::vector<std::unique_ptr<TAdsConnection>> connections;
    for (int i = 0; i < 300; ++i) {
        connections.push_back(std::make_unique<TAdsConnection>());
        connections.back()->setConnectPath(server->connectPath(QStringLiteral("daten")));
        connections.back()->Connect();
    }
    for (auto &connection : connections)
        EXPECT_TRUE(connection->IsConnected());
    connections.clear();
}

TEST_F(ConnectionTest, MalformedFrameClosesOnlyThatLink)
{
    TAdsConnection connection;
    connection.setConnectPath(server->connectPath(QStringLiteral("daten")));
    connection.Connect();

    QTcpSocket rogue;
    rogue.connectToHost(QStringLiteral("127.0.0.1"), server->port());
    ASSERT_TRUE(rogue.waitForConnected(5000));
    rogue.write(QByteArray("\xff\xff\xff\x7f garbage", 12));
    EXPECT_TRUE(rogue.waitForDisconnected(5000));

    TAdsConnection another;
    another.setConnectPath(server->connectPath(QStringLiteral("daten")));
    another.Connect();
    EXPECT_TRUE(another.IsConnected());
    connection.Disconnect();
}

} // namespace
