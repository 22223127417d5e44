// The engine against a peer that breaks the protocol: counts and lengths beyond reason,
// columns that do not fit, huge texts, silence. Every case ends in an engine error with a
// text, never a crash, an allocation of the claimed size or a wait past the time-out.

#include "AceCodes.h"
#include "MessageOf.h"
#include "ScriptedEngine.h"
#include "ScriptedServer.h"
#include "Wire.h"
#include "ace.h"
#include "adscnnct.h"
#include "adstable.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <cstring>
#include <gtest/gtest.h>
#include <optional>
#include <string>

#ifndef _WIN32
#include <clocale>
#endif

namespace {

using Column = ScriptedServer::Column;

TEST(EngineAgainstABrokenServer, ResultsBeyondReasonAreErrors)
{
    const QList<Column> one = {{"n", 11, 4, 0}};
    const struct {
        const char *name;
        QByteArray answer;
        UNSIGNED32 code;
        const char *text;
    } cases[] = {
        {"row count of 0xFFFFFFFF", ScriptedServer::result(7, 0xFFFFFFFFu, 4, one),
         acecode::BrokenAnswer, "beyond the engine's limits"},
        {"row count that wraps with the batch size", ScriptedServer::result(7, 0xFFFFFFF0u, 4, one),
         acecode::BrokenAnswer, "beyond the engine's limits"},
        {"record length of 1 GiB", ScriptedServer::result(7, 1000, 1u << 30, one),
         acecode::BrokenAnswer, "beyond the engine's limits"},
        {"an integer column of 2 bytes", ScriptedServer::result(7, 1, 4, {{"n", 11, 2, 0}}),
         acecode::ColumnDoesNotFit, "Field length does not fit its type"},
        {"a varchar without room for its length word",
         ScriptedServer::result(7, 1, 8, {{"v", 23, 8, 0}}), acecode::ColumnDoesNotFit,
         "Field length does not fit its type"},
        {"a GUID of 4 bytes", ScriptedServer::result(7, 1, 4, {{"g", 29, 4, 0}}),
         acecode::ColumnDoesNotFit, "Field length does not fit its type"},
        {"a column past the row", ScriptedServer::result(7, 1, 8, {{"n", 11, 4, 6}}),
         acecode::ColumnDoesNotFit, "Field length does not fit its type"},
        {"a column whose offset wraps",
         ScriptedServer::result(7, 1, 8, {{"n", 11, 4, 0xFFFFFFFEu}}), acecode::ColumnDoesNotFit,
         "Field length does not fit its type"},
        {"a result whose columns run short",
         ScriptedServer::frame(ScriptedServer::result(7, 1, 4, one).mid(4).chopped(3)),
         acecode::BrokenAnswer, "malformed"},
        {"an empty frame", ScriptedServer::frame({}), acecode::BrokenAnswer, "malformed answer"},
        {"an error of code 0", ScriptedServer::error(0, "none"), acecode::BrokenAnswer,
         "malformed error"},
        {"an answer of another type", ScriptedServer::welcome(), acecode::BrokenAnswer,
         "unexpected answer"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(answering(c.answer));
        const EngineOutcome outcome = executeAgainst(server);
        EXPECT_EQ(outcome.code, c.code);
        EXPECT_NE(outcome.text.find(c.text), std::string::npos) << outcome.text;
    }
}

TEST(EngineAgainstABrokenServer, CallsAfterABrokenAnswerSayWhyTheLinkWasClosed)
{
    const struct {
        const char *name;
        QByteArray answer;
        const char *why;
    } cases[] = {
        {"an answer of another type", ScriptedServer::welcome(), "unexpected answer"},
        {"an error of code 0", ScriptedServer::error(0, "none"), "malformed error answer"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(answering(c.answer));
        EngineOutcome refused;
        const ADSHANDLE connection = connectTo(server, refused);
        ASSERT_NE(connection, 0u) << refused.text;
        EXPECT_EQ(executeOn(connection).code, acecode::BrokenAnswer);
        for (int call = 0; call < 2; ++call) {
            SCOPED_TRACE(call);
            const EngineOutcome later = executeOn(connection);
            EXPECT_EQ(later.code, acecode::ConnectionLost);
            EXPECT_NE(later.text.find("closed after a failure"), std::string::npos) << later.text;
            EXPECT_NE(later.text.find(c.why), std::string::npos) << later.text;
        }
        ace::AdsDisconnect(connection);
    }
}

TEST(EngineAgainstABrokenServer, FrameLengthBeyondTheLimitIsRefusedUnread)
{
    QByteArray header(4, '\0');
    const std::uint32_t huge = 0x7FFFFFFFu;
    std::memcpy(header.data(), &huge, 4);
    ScriptedServer server(answering(header + QByteArray(64, '\x83')));
    const EngineOutcome outcome = executeAgainst(server);
    EXPECT_EQ(outcome.code, acecode::BrokenAnswer);
    EXPECT_NE(outcome.text.find("frame length 2147483647"), std::string::npos) << outcome.text;
}

TEST(EngineAgainstABrokenServer, HugeErrorTextOfInvalidBytesIsConvertedInOnePass)
{
    // 16 MiB less a little of bytes that are no UTF-8: each becomes one replacement. The
    // conversion is part of the call: it ends within the statement's time-out of 1 s.
    const QByteArray garbage(wire::MaxFrame - 64, '\xFF');
    ScriptedServer server(answering(ScriptedServer::error(7200, garbage)));
    QElapsedTimer clock;
    clock.start();
    const EngineOutcome outcome = executeAgainst(server, 1);
    // The time-out bounds the call; half a second more is what a busy machine may add to
    // connecting and scheduling (converting the whole text took 3.4 to 4 s here).
    EXPECT_LT(clock.elapsed(), 1500);
    EXPECT_EQ(outcome.code, 7200u);
    // The engine's last-error text holds the start of it, as far as 600 bytes go, cut
    // between characters.
    EXPECT_GE(outcome.text.size(), 590u);
    EXPECT_EQ(QString::fromLocal8Bit(outcome.text).toLocal8Bit(),
              QByteArray::fromStdString(outcome.text));
}

// This thread in the C locale, whose 8-bit encoding is ASCII, while the object lives. On
// Windows the ANSI code page stays: Windows-1252 under Wine, which lacks the same letters.
class InAsciiLocale {
public:
#ifndef _WIN32
    InAsciiLocale() : m_c(newlocale(LC_ALL_MASK, "C", nullptr)), m_before(uselocale(m_c)) {}
    ~InAsciiLocale()
    {
        uselocale(m_before);
        freelocale(m_c);
    }

private:
    locale_t m_c;
    locale_t m_before;
#endif
};

// "Ж" in UTF-8, count times: a letter neither ASCII nor Windows-1252 holds.
QByteArray cyrillic(qsizetype count)
{
    return QByteArray("\xD0\x96").repeated(count);
}

TEST(EngineAgainstABrokenServer, ErrorTextTheLocaleCannotHoldIsConvertedInOnePass)
{
    // Some 8 million letters: a call each would take minutes. Within the time-out of 1 s,
    // converting included.
    ScriptedServer server(
        answering(ScriptedServer::error(7200, cyrillic((wire::MaxFrame - 64) / 2))));
    [[maybe_unused]] const InAsciiLocale ascii;
    QElapsedTimer clock;
    clock.start();
    const EngineOutcome outcome = executeAgainst(server, 1);
    EXPECT_LT(clock.elapsed(), 1500); // as above
    EXPECT_EQ(outcome.code, 7200u);
    EXPECT_EQ(outcome.text, std::string(599, '?'));
}

TEST(EngineAgainstABrokenServer, ALongErrorTextIsKeptAsFarAsACallerCanReadIt)
{
    // AdsGetLastError's length is 16 bits: 65,534 bytes and the NUL. Only the start of a
    // longer text is converted; what a caller reads is the start of the whole text.
    const QByteArray emoji("\xF0\x9F\x98\x80");
    const struct {
        const char *name;
        QByteArray text;
        bool ascii;
        QByteArray kept;
    } cases[] = {
        {"two-byte letters", cyrillic(40000), false, cyrillic(32767)},
        {"the cut backs off to a letter's start", "a" + cyrillic(40000), false,
         "a" + cyrillic(32766)},
        {"letters the C locale cannot hold, one byte each", cyrillic(70000), true,
         QByteArray(65534, '?')},
        {"four-byte characters the C locale cannot hold", emoji.repeated(70000), true,
         QByteArray(65534, '?')},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedServer server(answering(ScriptedServer::error(7200, c.text)));
        std::optional<InAsciiLocale> ascii;
        if (c.ascii)
            ascii.emplace();
        QByteArray buffer(0x10000, '\0');
        UNSIGNED32 code = executeAgainst(server).code;
        UNSIGNED16 length = 0xFFFF;
        ace::AdsGetLastError(&code, reinterpret_cast<UNSIGNED8 *>(buffer.data()), &length);
        EXPECT_EQ(code, 7200u);
#ifdef _WIN32
        if (!c.ascii)
            continue; // the ANSI code page (Windows-1252 under Wine) holds no such letters
#endif
        EXPECT_EQ(buffer.left(length), c.kept);
    }
}

TEST(EngineAgainstABrokenServer, RowsTheLocaleCannotHoldComeWithinTheTimeOut)
{
    // Two batches of 2 MiB of letters in long character columns (type 4), fetched under a
    // time-out of 1 s each.
    constexpr std::uint32_t Rows = 8;
    constexpr std::uint32_t Length = 512 * 1024;
    const QByteArray row = cyrillic(Length / 2);
    ScriptedServer server([&row](std::uint8_t type, const QByteArray &payload) {
        if (type == wire::Hello)
            return ScriptedServer::Reply{ScriptedServer::welcome()};
        if (type == wire::Execute)
            return ScriptedServer::Reply{
                ScriptedServer::result(7, Rows, Length, {{"name", 4, Length, 0}})};
        if (type != wire::Fetch)
            return ScriptedServer::Reply{};
        std::uint32_t count = 0;
        std::memcpy(&count, payload.constData() + 8, 4);
        return ScriptedServer::Reply{ScriptedServer::frame(
            QByteArray(1, char(wire::Rows)) + payload.mid(4, 8) + row.repeated(count))};
    });
    [[maybe_unused]] const InAsciiLocale ascii;
    ADSHANDLE cursor = 0;
    ASSERT_EQ(executeAgainst(server, 1, &cursor).code, 0u);
    QElapsedTimer clock;
    clock.start();
    for (const SIGNED32 skip : {1, SIGNED32(Rows) - 1}) {
        SCOPED_TRACE(skip);
        ASSERT_EQ(ace::AdsSkip(cursor, skip), 0u);
        QByteArray record(Length, '\0');
        UNSIGNED32 length = Length;
        ASSERT_EQ(ace::AdsGetRecord(cursor, reinterpret_cast<UNSIGNED8 *>(record.data()), &length),
                  0u)
            << lastEngineError(0).text;
        EXPECT_EQ(record, QByteArray(Length / 2, '?') + QByteArray(Length / 2, ' '));
    }
    EXPECT_LT(clock.elapsed(), 4000);
}

TEST(EngineAgainstABrokenServer, RowsThatDoNotMatchTheRequestAreErrors)
{
    ScriptedServer server([](std::uint8_t type, const QByteArray &) -> ScriptedServer::Reply {
        if (type == wire::Hello)
            return {ScriptedServer::welcome()};
        if (type == wire::Execute)
            return {ScriptedServer::result(7, 3, 4, {{"n", 11, 4, 0}})};
        if (type == wire::Fetch) // one row where three were asked for
            return {ScriptedServer::frame(QByteArray("\x84", 1) + QByteArray(8, '\0') +
                                          QByteArray(4, '\x01'))};
        return {};
    });
    ADSHANDLE cursor = 0;
    ASSERT_EQ(executeAgainst(server, 0, &cursor).code, 0u);
    ASSERT_EQ(ace::AdsSkip(cursor, 1), 0u);
    UNSIGNED8 row[4];
    UNSIGNED32 length = sizeof row;
    const UNSIGNED32 rc = ace::AdsGetRecord(cursor, row, &length);
    EXPECT_EQ(rc, acecode::BrokenAnswer);
    EXPECT_NE(lastEngineError(rc).text.find("malformed rows"), std::string::npos);
}

TEST(EngineAgainstABrokenServer, ExecuteAndFetchFollowTheStatementTimeOut)
{
    bool silentFetch = false;
    ScriptedServer server(
        [&silentFetch](std::uint8_t type, const QByteArray &) -> ScriptedServer::Reply {
            if (type == wire::Hello)
                return {ScriptedServer::welcome()};
            if (type == wire::Execute && !silentFetch)
                return {};
            if (type == wire::Execute)
                return {ScriptedServer::result(7, 3, 4, {{"n", 11, 4, 0}})};
            return {}; // fetches are never answered
        });
    // A silent execution gives up after the statement's time-out of 1 s, not the default.
    QElapsedTimer clock;
    clock.start();
    EngineOutcome outcome = executeAgainst(server, 1);
    EXPECT_EQ(outcome.code, acecode::TimedOut);
    EXPECT_LT(clock.elapsed(), 9000);

    silentFetch = true;
    ADSHANDLE cursor = 0;
    ASSERT_EQ(executeAgainst(server, 1, &cursor).code, 0u);
    ace::AdsSkip(cursor, 1);
    UNSIGNED8 row[4];
    UNSIGNED32 length = sizeof row;
    clock.restart();
    EXPECT_EQ(ace::AdsGetRecord(cursor, row, &length), acecode::TimedOut);
    EXPECT_LT(clock.elapsed(), 9000);
}

TEST(EngineAgainstABrokenServer, QueryOpeningSurfacesTheEngineText)
{
    ScriptedServer server(answering(ScriptedServer::result(7, 1, 4, {{"n", 11, 2, 0}})));
    QObject window;
    TAdsConnection connection(&window);
    connection.setConnectPath(server.connectPath());
    TAdsQuery query(&window);
    query.setObjectName(QStringLiteral("qUsageInfo"));
    query.setAdsConnection(&connection);
    query.setSQL({QStringLiteral("EXECUTE PROCEDURE sp_mgGetUsageInfo();")});
    const QString message = messageOf<EADSDatabaseError>([&] { query.Open(); });
    EXPECT_TRUE(
        message.startsWith(QStringLiteral("qUsageInfo: Field length does not fit its type")))
        << message.toStdString();
    EXPECT_FALSE(query.Active());
}

} // namespace
