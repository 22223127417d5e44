#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

class ResultBuilder;
class SessionHost;

// Where a session's answers go: the client's link, or whatever stands in for it.
class SessionPeer {
public:
    virtual ~SessionPeer() = default;
    virtual QString address() const = 0;
    // Sends the bytes now or after delayMs; false when the peer gives up on the link (a
    // client that leaves more unread than it may). bytes is either its own or a view
    // (QByteArray::fromRawData) into memory that owner keeps: the peer holds owner for as
    // long as it holds the bytes, as Qt's socket keeps a shallow copy until it is written.
    virtual bool send(const QByteArray &bytes, std::shared_ptr<const void> owner, int delayMs) = 0;
    // Closes after what was sent so far (a refusal), or at once (a broken client).
    virtual void finish() = 0;
    virtual void abort() = 0;
};

// One client's side of the wire protocol, free of sockets: frames in, answers out. Reads
// frames with hard limits; a malformed or oversized frame ends this link only.
class SessionProtocol {
public:
    // A client holds at most this many results open; past it, executions are refused.
    static constexpr std::size_t MaxOpenCursors = 128;

    SessionProtocol(SessionHost &host, SessionPeer &peer, std::function<void()> gone);
    ~SessionProtocol();

    // Takes the bytes and handles every whole frame among them.
    void received(const QByteArray &bytes);
    // Takes the bytes for serve() to handle.
    void take(const QByteArray &bytes);
    // Handles up to maxRequests whole frames; true when another one is waiting.
    bool serve(int maxRequests);
    // Whether a frame (or what ends the link) is waiting for serve().
    bool hasWholeFrame() const;
    // The link went away by itself.
    void disconnected();
    // The host shuts down: the session ends without a word back to it.
    void detach();
    bool isGone() const { return m_gone; }

private:
    bool handle(const std::uint8_t *payload, std::size_t size);
    bool hello(const std::uint8_t *payload, std::size_t size);
    bool control(const std::uint8_t *payload, std::size_t size);
    bool execute(const std::uint8_t *payload, std::size_t size);
    bool fetch(const std::uint8_t *payload, std::size_t size);
    bool closeCursor(const std::uint8_t *payload, std::size_t size);
    // Answers go through the faults unless they belong to the control channel.
    void answer(const std::vector<std::uint8_t> &frame, bool faultable = true,
                int extraDelayMs = 0);
    // Gives false when the link is gone.
    bool send(const QByteArray &bytes, std::shared_ptr<const void> owner, int delayMs);
    void refuse(std::uint32_t code, const QString &text);
    void error(std::uint32_t code, const QString &text);
    void drop(const QString &why);
    void leave();

    SessionHost *m_host;
    SessionPeer &m_peer;
    std::function<void()> m_onGone;
    QByteArray m_buffer;
    std::uint32_t m_number = 0; // 0 until greeted
    bool m_gone = false;
    std::map<std::uint32_t, std::shared_ptr<ResultBuilder>> m_cursors;
    std::uint32_t m_nextCursor = 1;
};
