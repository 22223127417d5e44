// The stand-in server's reading of client frames: the input is the byte stream a client
// sends, cut into pieces at random-looking places, through the server's real protocol,
// faults and procedures.

#include "Server.h"
#include "SessionProtocol.h"

#include <QByteArray>
#include <cstdint>

namespace {

class DiscardingPeer : public SessionPeer {
public:
    QString address() const override { return QStringLiteral("127.0.0.9"); }
    void send(const QByteArray &bytes, int) override { sent += bytes.size(); }
    void finish() override {}
    void abort() override {}
    qsizetype sent = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1)
        return 0;
    Scenario scenario;
    scenario.shares = {QStringLiteral("daten")};
    Server server(scenario, Server::Options{true});
    DiscardingPeer peer;
    SessionProtocol session(server, peer, [] {});
    // The first byte sets how the stream arrives: in pieces of that many bytes, or whole.
    const std::size_t piece = data[0] == 0 ? size : data[0];
    for (std::size_t at = 1; at < size && !session.isGone(); at += piece)
        session.received(QByteArray(reinterpret_cast<const char *>(data + at),
                                    qsizetype(std::min(piece, size - at))));
    session.disconnected();
    return 0;
}
