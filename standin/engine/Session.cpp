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
    if (const std::uint32_t rc = link.send(message, deadline))
        return fail(rc, link.errorText());
    if (const std::uint32_t rc = link.receive(reply, maxAnswer, deadline))
        return fail(rc, link.errorText());
    if (reply[0] == wire::Error) {
        answer::Failure failure = answer::error(reply.data() + 1, reply.size() - 1);
        if (failure.code == acecode::BrokenAnswer)
            link.close();
        return fail(failure.code, std::move(failure.text));
    }
    if (reply[0] != expected) {
        link.close();
        return fail(acecode::BrokenAnswer, "The server sent an unexpected answer.");
    }
    return acecode::Success;
}

} // namespace engine
