// The stand-in server's reading of client frames: the input is the byte stream a client
// sends, cut into pieces at random-looking places, through the server's real protocol,
// faults and procedures.

#include "Server.h"
#include "SessionProtocol.h"

#include <QByteArray>
#include <cstdint>
#include <deque>
#include <memory>

namespace {

// A peer that writes slowly, as a socket whose client reads late: like Qt's socket it keeps
// a shallow copy of what it is given, with the owner the session hands over, and reads the
// bytes only when they leave, a few answers later or at the end. Bytes the session frees
// while they are held show as a use after free.
class SlowPeer : public SessionPeer {
public:
    ~SlowPeer() override { drain(0); }
    QString address() const override { return QStringLiteral("127.0.0.9"); }
    bool send(const QByteArray &bytes, std::shared_ptr<const void> owner, int) override
    {
        m_held.push_back({bytes, std::move(owner)});
        drain(MaxHeld);
        return true;
    }
    void finish() override {}
    void abort() override {}

    void drain(std::size_t keep)
    {
        while (m_held.size() > keep) {
            const QByteArray &bytes = m_held.front().bytes;
            std::uint8_t sum = 0;
            for (const char c : bytes)
                sum = std::uint8_t(sum + std::uint8_t(c));
            m_checksum = sum;
            m_held.pop_front();
        }
    }

private:
    static constexpr std::size_t MaxHeld = 8;
    struct Held {
        QByteArray bytes;
        std::shared_ptr<const void> owner;
    };
    std::deque<Held> m_held;
    volatile std::uint8_t m_checksum = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    Scenario scenario;
    scenario.shares = {QStringLiteral("daten")};
    Server server(scenario, Server::Options{true});
    SlowPeer peer;
    SessionProtocol session(server, peer, [] {});
    // The first byte sets how the stream arrives: in pieces of that many bytes, or whole.
    const std::size_t piece = data[0] == 0 ? size : data[0];
    for (std::size_t at = 1; at < size && !session.isGone(); at += piece)
        session.received(QByteArray(reinterpret_cast<const char *>(data + at),
                                    qsizetype(std::min(piece, size - at))));
    session.disconnected();
    // The session goes first, with its results; what the peer still holds leaves after.
    return 0;
}
