// The engine asks for a cursor's next batch while the caller reads the one it has. The
// link must stay in step whatever the caller does meanwhile: jump elsewhere, close the
// cursor, or meet a server that refuses the batch asked for ahead.

#include "AceCodes.h"
#include "ScriptedEngine.h"
#include "ScriptedServer.h"
#include "Wire.h"

#include <QCoreApplication>
#include <QThread>
#include <cstring>
#include <gtest/gtest.h>
#include <mutex>
#include <vector>

namespace {

// One integer column: a batch is 10,000 rows, so three batches and a half.
constexpr std::uint32_t Rows = 35000;
constexpr std::uint32_t BatchRows = 10000;

class Peer {
public:
    // Fetches of these first rows are refused with an error.
    explicit Peer(std::vector<std::uint32_t> refused = {}) : m_refused(std::move(refused)) {}

    ScriptedServer::Script script()
    {
        return [this](std::uint8_t type, const QByteArray &payload) -> ScriptedServer::Reply {
            if (type == wire::Hello)
                return {ScriptedServer::welcome()};
            if (type == wire::Execute)
                return {ScriptedServer::result(7, Rows, 4, {{"n", 11, 4, 0}})};
            if (type == wire::CloseCursor)
                return {ScriptedServer::frame(QByteArray(1, char(wire::Ok)))};
            if (type != wire::Fetch)
                return {};
            std::uint32_t first = 0, count = 0;
            std::memcpy(&first, payload.constData() + 4, 4);
            std::memcpy(&count, payload.constData() + 8, 4);
            {
                const std::lock_guard lock(m_mutex);
                m_fetched.push_back(first);
            }
            for (std::uint32_t refused : m_refused)
                if (refused == first)
                    return {ScriptedServer::error(acecode::InvalidArgument, "not now")};
            QByteArray rows(1, char(wire::Rows));
            rows += payload.mid(4, 8);
            for (std::uint32_t row = first; row < first + count; ++row)
                rows.append(reinterpret_cast<const char *>(&row), 4);
            return {ScriptedServer::frame(rows)};
        };
    }

    // The first rows of the fetches received so far, once at least `count` came.
    std::vector<std::uint32_t> fetched(std::size_t count)
    {
        for (int wait = 0; wait < 200; ++wait) {
            {
                const std::lock_guard lock(m_mutex);
                if (m_fetched.size() >= count)
                    return m_fetched;
            }
            QThread::msleep(10);
        }
        const std::lock_guard lock(m_mutex);
        return m_fetched;
    }

private:
    std::vector<std::uint32_t> m_refused;
    std::mutex m_mutex;
    std::vector<std::uint32_t> m_fetched;
};

// The row number the current record holds, or the engine's error code.
std::int64_t current(ADSHANDLE cursor)
{
    std::uint32_t value = 0;
    UNSIGNED32 length = 4;
    if (const UNSIGNED32 rc =
            ace::AdsGetRecord(cursor, reinterpret_cast<UNSIGNED8 *>(&value), &length))
        return -std::int64_t(rc);
    return value;
}

class FetchAhead : public ::testing::Test {
protected:
    // Executes against the peer and reads the first row: the second batch is then ahead.
    ADSHANDLE openAtFirstRow(ScriptedServer &server)
    {
        ADSHANDLE cursor = 0;
        ADSHANDLE connection = 0;
        EXPECT_EQ(executeAgainst(server, 0, &cursor, &connection).code, 0u);
        m_connections.push_back(connection);
        EXPECT_EQ(ace::AdsSkip(cursor, 1), 0u);
        EXPECT_EQ(current(cursor), 0);
        return cursor;
    }
    // Connections end before their peer does.
    void disconnectAll()
    {
        for (const ADSHANDLE connection : m_connections)
            ace::AdsDisconnect(connection);
        m_connections.clear();
    }
    std::vector<ADSHANDLE> m_connections;

    int argc = 0;
    QCoreApplication application{argc, nullptr};
};

TEST_F(FetchAhead, AWalkGetsEveryRowAndAsksForEachBatchBeforeItIsReached)
{
    Peer peer;
    ScriptedServer server(peer.script());
    const ADSHANDLE cursor = openAtFirstRow(server);
    // Only the first row was read, and the second batch is already asked for.
    EXPECT_EQ(peer.fetched(2), (std::vector<std::uint32_t>{0, BatchRows}));
    for (std::uint32_t row = 1; row < Rows; ++row) {
        ASSERT_EQ(ace::AdsSkip(cursor, 1), 0u);
        ASSERT_EQ(current(cursor), row);
    }
    EXPECT_EQ(peer.fetched(4), (std::vector<std::uint32_t>{0, 10000, 20000, 30000}));
    EXPECT_EQ(ace::AdsCloseTable(cursor), 0u);
    disconnectAll();
}

TEST_F(FetchAhead, JumpingOrClosingWhileABatchIsAheadKeepsTheLinkInStep)
{
    Peer peer;
    ScriptedServer server(peer.script());
    const ADSHANDLE cursor = openAtFirstRow(server);
    // The last row's batch is asked for while the second one is still on its way.
    ASSERT_EQ(ace::AdsGotoEOF(cursor), 0u);
    ASSERT_EQ(ace::AdsSkip(cursor, -1), 0u);
    EXPECT_EQ(current(cursor), Rows - 1);
    // Back to the second batch: it came ahead and is used as it came, not asked for again.
    ASSERT_EQ(ace::AdsSkip(cursor, -std::int32_t(Rows - 1 - BatchRows)), 0u);
    EXPECT_EQ(current(cursor), BatchRows);
    EXPECT_EQ(peer.fetched(3), (std::vector<std::uint32_t>{0, 10000, 30000}));
    EXPECT_EQ(ace::AdsCloseTable(cursor), 0u);

    // Closed with a batch still on its way: the close's own answer is the one it reads.
    const ADSHANDLE second = openAtFirstRow(server);
    EXPECT_EQ(ace::AdsCloseTable(second), 0u) << lastEngineError(1).text;
    disconnectAll();
}

TEST_F(FetchAhead, ABatchRefusedAheadFailsWhenItIsReachedAsIfAskedThen)
{
    Peer peer({BatchRows});
    ScriptedServer server(peer.script());
    const ADSHANDLE cursor = openAtFirstRow(server);
    ASSERT_EQ(ace::AdsSkip(cursor, std::int32_t(BatchRows) - 1), 0u);
    EXPECT_EQ(current(cursor), BatchRows - 1);
    ASSERT_EQ(ace::AdsSkip(cursor, 1), 0u);
    const std::int64_t failed = current(cursor);
    EXPECT_EQ(failed, -std::int64_t(acecode::InvalidArgument));
    EXPECT_EQ(lastEngineError(std::uint32_t(-failed)).text, "not now");
    // The link is in step: the batch after it reads as it should.
    ASSERT_EQ(ace::AdsSkip(cursor, std::int32_t(BatchRows)), 0u);
    EXPECT_EQ(current(cursor), 2 * BatchRows);
    disconnectAll();
}

} // namespace
