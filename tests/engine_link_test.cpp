// The engine's link when a call fails in the middle of a frame: the rest of the frame is
// still on the wire, so the link is closed and later calls say so, rather than reading row
// bytes as the next answer. The failure is an allocation of the frame's size that fails:
// this program replaces operator new, which the engine library shares on Linux.

#include "AceCodes.h"
#include "ScriptedEngine.h"
#include "ScriptedServer.h"
#include "Wire.h"

#include <QCoreApplication>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>
#include <new>
#include <vector>

namespace {

// The size of the one allocation to fail next; 0: none.
std::atomic<std::size_t> g_failingSize{0};

void *allocate(std::size_t size)
{
    std::size_t failing = size;
    if (size != 0 && g_failingSize.compare_exchange_strong(failing, 0))
        return nullptr;
    return std::malloc(size == 0 ? 1 : size);
}

} // namespace

void *operator new(std::size_t size)
{
    if (void *memory = allocate(size))
        return memory;
    throw std::bad_alloc();
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    return allocate(size);
}
void operator delete(void *memory) noexcept
{
    std::free(memory);
}
void operator delete(void *memory, std::size_t) noexcept
{
    std::free(memory);
}
void operator delete(void *memory, const std::nothrow_t &) noexcept
{
    std::free(memory);
}

namespace {

TEST(EngineLink, AnAllocationFailureInTheMiddleOfAFrameClosesTheLink)
{
    int argc = 0;
    QCoreApplication application(argc, nullptr);
    // Rows of an odd length, so that the answer's payload has a size nothing else asks for.
    constexpr std::uint32_t Rows = 3;
    constexpr std::uint32_t Length = 333337;
    constexpr std::size_t Payload = 1 + 8 + std::size_t(Rows) * Length;
    ScriptedServer server([](std::uint8_t type, const QByteArray &payload) {
        if (type == wire::Hello)
            return ScriptedServer::Reply{ScriptedServer::welcome()};
        if (type == wire::Execute)
            return ScriptedServer::Reply{
                ScriptedServer::result(7, Rows, Length, {{"n", 11, 4, 0}})};
        if (type != wire::Fetch)
            return ScriptedServer::Reply{};
        return ScriptedServer::Reply{ScriptedServer::frame(
            QByteArray(1, char(wire::Rows)) + payload.mid(4, 8) + QByteArray(Rows * Length, '\1'))};
    });
    ADSHANDLE cursor = 0;
    ASSERT_EQ(executeAgainst(server, 0, &cursor).code, 0u);
    ASSERT_EQ(ace::AdsSkip(cursor, 1), 0u);
    std::vector<UNSIGNED8> row(Length);
    UNSIGNED32 length = Length;

    g_failingSize = Payload;
    const UNSIGNED32 failed = ace::AdsGetRecord(cursor, row.data(), &length);
    EXPECT_EQ(g_failingSize, 0u) << "the answer's buffer was not allocated by size";
    EXPECT_EQ(failed, acecode::OutOfResources);

    for (int call = 0; call < 2; ++call) {
        SCOPED_TRACE(call);
        const UNSIGNED32 rc = ace::AdsGetRecord(cursor, row.data(), &length);
        const EngineOutcome outcome = lastEngineError(rc);
        EXPECT_EQ(outcome.code, acecode::ConnectionLost) << outcome.text;
        EXPECT_NE(outcome.text.find("closed after a failure"), std::string::npos) << outcome.text;
        EXPECT_NE(outcome.text.find("out of memory"), std::string::npos) << outcome.text;
    }
}

} // namespace
