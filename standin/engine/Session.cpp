// A connection's session: its requests to the server.

#include "Session.h"
#include "AceCodes.h"
#include "Answers.h"

namespace engine {

std::uint32_t Session::request(const wire::Writer &message, std::vector<std::uint8_t> &reply,
                               std::uint8_t expected, std::uint32_t maxAnswer, Deadline deadline)
{
    const std::unique_lock lock(mutex, deadline.at());
    if (!lock.owns_lock())
        return fail(acecode::TimedOut, "The connection was busy with another request too long.");
    if (const std::uint32_t rc = readAhead(deadline))
        return rc;
    if (const std::uint32_t rc = link.send(message, deadline))
        return fail(rc, link.errorText());
    if (const std::uint32_t rc = link.receive(reply, maxAnswer, deadline))
        return fail(rc, link.errorText());
    return checked(reply, expected);
}

std::uint32_t Session::readAhead(Deadline deadline)
{
    if (!m_ahead || m_ahead->read)
        return acecode::Success;
    if (const std::uint32_t rc = link.receive(m_ahead->answer, wire::MaxFrame, deadline)) {
        m_ahead.reset();
        return fail(rc, link.errorText());
    }
    m_ahead->read = true;
    return acecode::Success;
}

void Session::fetchAhead(std::uint32_t cursor, std::uint32_t first, std::uint32_t count,
                         std::vector<std::uint8_t> buffer, Deadline deadline)
{
    const std::unique_lock lock(mutex, std::try_to_lock);
    // Busy with another thread's request, or another fetch still on its way: not worth a wait.
    if (!lock.owns_lock() || (m_ahead && !m_ahead->read) || !link.isOpen())
        return;
    wire::Writer request(wire::Fetch);
    request.u32(cursor).u32(first).u32(count);
    m_ahead.reset();
    if (link.send(request, deadline) != acecode::Success)
        return; // the link is closed; the next call says why
    m_ahead = Ahead{cursor, first, count, false, std::move(buffer)};
}

std::uint32_t Session::takeAhead(std::uint32_t cursor, std::uint32_t first, std::uint32_t count,
                                 std::vector<std::uint8_t> &reply, Deadline deadline)
{
    const std::unique_lock lock(mutex, deadline.at());
    if (!lock.owns_lock())
        return fail(acecode::TimedOut, "The connection was busy with another request too long.");
    if (!m_ahead || m_ahead->cursor != cursor || m_ahead->first != first || m_ahead->count != count)
        return NotAhead;
    if (const std::uint32_t rc = readAhead(deadline))
        return rc;
    reply = std::move(m_ahead->answer);
    m_ahead.reset();
    return checked(reply, wire::Rows);
}

void Session::forgetAhead(std::uint32_t cursor)
{
    const std::lock_guard lock(mutex);
    if (m_ahead && m_ahead->read && m_ahead->cursor == cursor) {
        buffers.keep(std::move(m_ahead->answer));
        m_ahead.reset();
    }
}

std::uint32_t Session::checked(const std::vector<std::uint8_t> &reply, std::uint8_t expected)
{
    if (reply[0] == wire::Error) {
        answer::Failure failure = answer::error(reply.data() + 1, reply.size() - 1);
        if (failure.code == acecode::BrokenAnswer)
            link.closeAfter(failure.text);
        return fail(failure.code, std::move(failure.text));
    }
    if (reply[0] != expected) {
        const std::string text = "The server sent an unexpected answer.";
        link.closeAfter(text);
        return fail(acecode::BrokenAnswer, text);
    }
    return acecode::Success;
}

} // namespace engine
