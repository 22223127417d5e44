#include "SessionProtocol.h"

#include "AceCodes.h"
#include "Procedures.h"
#include "Scenario.h"
#include "SessionHost.h"
#include "Wire.h"

#include <cstring>
#include <limits>
#include <optional>
#include <stdexcept>

namespace {

// Before its hello a client may send little; afterwards requests stay small too.
constexpr std::uint32_t MaxRequest = 1024 * 1024;

QString text(const std::string &utf8)
{
    return QString::fromStdString(utf8);
}

} // namespace

SessionProtocol::SessionProtocol(SessionHost &host, SessionPeer &peer, std::function<void()> gone)
    : m_host(&host), m_peer(peer), m_onGone(std::move(gone))
{
}

SessionProtocol::~SessionProtocol() = default;

void SessionProtocol::detach()
{
    m_gone = true;
    m_host = nullptr;
    m_peer.abort();
}

void SessionProtocol::disconnected()
{
    leave();
}

void SessionProtocol::leave()
{
    if (m_gone)
        return;
    m_gone = true;
    if (m_number)
        m_host->unregisterConnection(m_number);
    m_number = 0;
    if (m_onGone)
        m_onGone();
}

void SessionProtocol::drop(const QString &why)
{
    if (m_gone)
        return;
    if (!why.isEmpty())
        m_host->log(QStringLiteral("dropped %1: %2").arg(m_peer.address(), why));
    m_buffer.clear();
    m_peer.abort();
    leave();
}

void SessionProtocol::received(const QByteArray &bytes)
{
    take(bytes);
    serve(std::numeric_limits<int>::max());
}

void SessionProtocol::take(const QByteArray &bytes)
{
    if (!m_gone)
        m_buffer.append(bytes);
}

bool SessionProtocol::hasWholeFrame() const
{
    if (m_gone || m_buffer.size() < 4)
        return false;
    std::uint32_t length = 0;
    std::memcpy(&length, m_buffer.constData(), 4);
    // A length past the limit ends the link: that too is for serve().
    const std::uint32_t limit = m_number ? MaxRequest : wire::MaxHelloFrame;
    return length == 0 || length > limit ||
           static_cast<std::uint32_t>(m_buffer.size()) - 4 >= length;
}

bool SessionProtocol::serve(int maxRequests)
{
    for (int served = 0; hasWholeFrame(); ++served) {
        if (served == maxRequests)
            return true;
        std::uint32_t length = 0;
        std::memcpy(&length, m_buffer.constData(), 4);
        const std::uint32_t limit = m_number ? MaxRequest : wire::MaxHelloFrame;
        if (length == 0 || length > limit) {
            drop(QStringLiteral("frame of %1 bytes").arg(length));
            return false;
        }
        const QByteArray payload = m_buffer.mid(4, length);
        m_buffer.remove(0, 4 + length);
        if (!handle(reinterpret_cast<const std::uint8_t *>(payload.constData()),
                    static_cast<std::size_t>(payload.size())))
            return false;
    }
    return false;
}

// Gives false when the link is gone.
bool SessionProtocol::handle(const std::uint8_t *payload, std::size_t size)
{
    const std::uint8_t type = payload[0];
    switch (type) {
    case wire::Hello:
        if (m_number) {
            drop(QStringLiteral("second hello"));
            return false;
        }
        return hello(payload + 1, size - 1);
    case wire::Control:
        return control(payload + 1, size - 1);
    case wire::Execute:
    case wire::Fetch:
    case wire::CloseCursor:
        if (!m_number) {
            drop(QStringLiteral("request before hello"));
            return false;
        }
        if (type == wire::Execute)
            return execute(payload + 1, size - 1);
        if (type == wire::Fetch)
            return fetch(payload + 1, size - 1);
        return closeCursor(payload + 1, size - 1);
    case wire::Bye:
        drop(QString());
        return false;
    default:
        drop(QStringLiteral("unknown message %1").arg(type));
        return false;
    }
}

bool SessionProtocol::control(const std::uint8_t *payload, std::size_t size)
{
    wire::Reader reader(payload, size);
    const std::string json = reader.str();
    if (!reader.ok() || !reader.atEnd()) {
        drop(QStringLiteral("malformed control"));
        return false;
    }
    const std::optional<QString> refused = m_host->applyControl(QByteArray::fromStdString(json));
    if (refused)
        answer(wire::Writer(wire::Error)
                   .u32(acecode::InvalidArgument)
                   .str(refused->toStdString())
                   .frame(),
               false);
    else
        answer(wire::Writer(wire::Ok).u32(0).str("ok").frame(), false);
    return !m_gone;
}

bool SessionProtocol::closeCursor(const std::uint8_t *payload, std::size_t size)
{
    wire::Reader reader(payload, size);
    const std::uint32_t id = reader.u32();
    if (!reader.ok() || !reader.atEnd()) {
        drop(QStringLiteral("malformed close"));
        return false;
    }
    if (m_cursors.erase(id) == 0)
        error(acecode::InvalidHandle, QStringLiteral("No such cursor."));
    else
        answer(wire::Writer(wire::Ok).u32(0).str("closed").frame());
    return !m_gone;
}

bool SessionProtocol::hello(const std::uint8_t *payload, std::size_t size)
{
    wire::Reader reader(payload, size);
    ConnectionInfo info;
    info.share = text(reader.str());
    info.workstation = text(reader.str());
    info.osLogin = text(reader.str());
    info.application = text(reader.str());
    info.user = text(reader.str());
    reader.str(); // the password is not checked by a stand-in
    if (!reader.ok() || !reader.atEnd()) {
        drop(QStringLiteral("malformed hello"));
        return false;
    }
    const Scenario &scenario = m_host->scenario();
    Faults &faults = m_host->faults();
    if (faults.refuseConnects > 0) {
        --faults.refuseConnects;
        m_host->countRefusal();
        refuse(acecode::ConnectionRefused,
               QStringLiteral("The server %1 refused the connection.").arg(scenario.name));
        return false;
    }
    if (!scenario.serves(info.share)) {
        refuse(
            acecode::UnknownShare,
            QStringLiteral("The share \"%1\" is not served by %2.").arg(info.share, scenario.name));
        return false;
    }
    info.peer = m_peer.address();
    m_number = m_host->registerConnection(info);
    answer(wire::Writer(wire::Welcome).u32(m_number).str(scenario.name.toStdString()).frame());
    return !m_gone;
}

void SessionProtocol::error(std::uint32_t code, const QString &text)
{
    answer(wire::Writer(wire::Error).u32(code).str(text.toStdString()).frame());
}

bool SessionProtocol::execute(const std::uint8_t *payload, std::size_t size)
{
    wire::Reader reader(payload, size);
    const QString sql = text(reader.str());
    const std::uint16_t count = reader.u16();
    std::vector<std::optional<QString>> params;
    for (std::uint16_t i = 0; i < count && reader.ok(); ++i) {
        const bool present = reader.u8() != 0;
        const QString value = text(reader.str());
        params.push_back(present ? std::optional<QString>(value) : std::nullopt);
    }
    if (!reader.ok() || !reader.atEnd()) {
        drop(QStringLiteral("malformed execute"));
        return false;
    }
    // Each open result holds its rows: a client that never closes one would hold any amount.
    if (m_cursors.size() >= MaxOpenCursors) {
        error(acecode::OutOfResources,
              QStringLiteral("Too many open cursors: close one of the %1 first.")
                  .arg(MaxOpenCursors));
        return !m_gone;
    }
    const ProcedureOutcome outcome = m_host->execute(sql, params);
    QStringList shown;
    for (const auto &param : params)
        shown.append(param ? QLatin1Char('\'') + *param + QLatin1Char('\'')
                           : QStringLiteral("NULL"));
    m_host->log(QStringLiteral("execute #%1 %2(%3)")
                    .arg(m_number)
                    .arg(outcome.procedure.isEmpty() ? sql.simplified() : outcome.procedure,
                         shown.join(QLatin1Char(','))));
    if (!outcome.result) {
        error(outcome.code, outcome.text);
        return !m_gone;
    }
    // 0 means "no cursor" to the engine; after a wrap, numbers still open are skipped.
    std::uint32_t id = m_nextCursor++;
    while (id == 0 || m_cursors.count(id))
        id = m_nextCursor++;
    m_cursors[id] = outcome.result;
    const ResultBuilder &result = *outcome.result;
    wire::Writer reply(wire::Result);
    reply.u32(id)
        .u32(result.rowCount())
        .u32(result.recordLength())
        .u16(std::uint16_t(result.columns().size()));
    for (const wire::Column &c : result.columns())
        reply.str(c.name)
            .u16(c.type)
            .u32(c.length)
            .u16(c.decimals)
            .u32(c.offset)
            .u8(c.nullable)
            .u8(c.permissions);
    answer(reply.frame(), true, m_host->faults().slowMs);
    return !m_gone;
}

bool SessionProtocol::fetch(const std::uint8_t *payload, std::size_t size)
{
    wire::Reader reader(payload, size);
    const std::uint32_t id = reader.u32();
    const std::uint32_t first = reader.u32();
    const std::uint32_t count = reader.u32();
    if (!reader.ok() || !reader.atEnd()) {
        drop(QStringLiteral("malformed fetch"));
        return false;
    }
    const auto cursor = m_cursors.find(id);
    if (cursor == m_cursors.end()) {
        error(acecode::InvalidHandle, QStringLiteral("No such cursor."));
        return !m_gone;
    }
    const std::shared_ptr<ResultBuilder> &owner = cursor->second;
    const ResultBuilder &result = *owner;
    const std::uint64_t bytes = std::uint64_t(count) * result.recordLength();
    if (first > result.rowCount() || count > result.rowCount() - first ||
        bytes > wire::MaxFrame - 64) {
        error(acecode::InvalidArgument, QStringLiteral("The rows asked for are not there."));
        return !m_gone;
    }
    // Header and rows go to the peer as they are, the rows as a view of the result that the
    // peer keeps alive while it holds them: one copy of a large batch (into the kernel),
    // however long the client takes to read it and whatever it closes meanwhile.
    const std::uint32_t length = std::uint32_t(1 + 8 + bytes);
    QByteArray header(13, '\0');
    std::memcpy(header.data(), &length, 4);
    header[4] = char(wire::Rows);
    std::memcpy(header.data() + 5, &first, 4);
    std::memcpy(header.data() + 9, &count, 4);
    const Faults &faults = m_host->faults();
    if (faults.closeMidAnswer > 0 || faults.delayMs > 0 || !result.rowsInPlace()) {
        std::vector<std::uint8_t> frame(header.size() + std::size_t(bytes));
        std::memcpy(frame.data(), header.constData(), std::size_t(header.size()));
        result.copyRows(first, count, frame.data() + header.size());
        answer(frame);
        return !m_gone;
    }
    if (!send(header, nullptr, 0))
        return false;
    result.forEachRun(first, count, [this, &owner](const std::uint8_t *rows, std::size_t runSize) {
        if (!m_gone)
            send(QByteArray::fromRawData(reinterpret_cast<const char *>(rows), qsizetype(runSize)),
                 owner, 0);
    });
    return !m_gone;
}

void SessionProtocol::refuse(std::uint32_t code, const QString &why)
{
    m_host->log(QStringLiteral("refused %1: %2").arg(m_peer.address(), why));
    answer(wire::Writer(wire::Error).u32(code).str(why.toStdString()).frame());
    if (!m_gone)
        m_peer.finish();
}

void SessionProtocol::answer(const std::vector<std::uint8_t> &frame, bool faultable,
                             int extraDelayMs)
{
    if (m_gone)
        return;
    QByteArray bytes(reinterpret_cast<const char *>(frame.data()),
                     static_cast<qsizetype>(frame.size()));
    Faults &faults = m_host->faults();
    if (faultable && faults.closeMidAnswer > 0) {
        --faults.closeMidAnswer;
        m_peer.send(bytes.left(bytes.size() / 2), nullptr, 0);
        m_host->log(QStringLiteral("cut an answer short"));
        drop(QString());
        return;
    }
    send(bytes, nullptr, extraDelayMs + (faultable ? faults.delayMs : 0));
}

bool SessionProtocol::send(const QByteArray &bytes, std::shared_ptr<const void> owner, int delayMs)
{
    if (m_gone)
        return false;
    if (!m_peer.send(bytes, std::move(owner), delayMs))
        drop(QStringLiteral("it does not read its answers"));
    return !m_gone;
}
