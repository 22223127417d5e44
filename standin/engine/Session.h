#pragma once

#include "Limits.h"
#include "Link.h"
#include "Registry.h"

#include <mutex>
#include <string>

namespace engine {

// A connection handle's object: the link to the server and what the server said of it.
struct Session : Object {
    Session() : Object(ADS_CONNECTION) {}

    std::timed_mutex mutex; // one request at a time on the link
    Link link;
    std::string serverName;
    std::uint32_t connectionNumber = 0;

    // Sends a request and reads its answer, one request at a time on the link, all before
    // the deadline (the wait for another thread's request included); an Error answer
    // becomes the last error. Gives 0 and the answer (type byte first), or the failure code.
    std::uint32_t request(const wire::Writer &message, std::vector<std::uint8_t> &reply,
                          std::uint8_t expected, std::uint32_t maxAnswer, Deadline deadline);
};

} // namespace engine
