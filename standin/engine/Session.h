#pragma once

#include "BufferPool.h"
#include "Limits.h"
#include "Link.h"
#include "Registry.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <utility>

namespace engine {

// A timed lock on a condition variable: std::timed_mutex's timed lock goes to
// pthread_mutex_clocklock, which ThreadSanitizer does not follow, so every later unlock
// looked to it like a fault.
class TimedLock {
public:
    void lock()
    {
        std::unique_lock guard(m_mutex);
        m_free.wait(guard, [this] { return !m_taken; });
        m_taken = true;
    }
    bool try_lock()
    {
        const std::lock_guard guard(m_mutex);
        return !std::exchange(m_taken, true);
    }
    bool try_lock_until(std::chrono::steady_clock::time_point until)
    {
        std::unique_lock guard(m_mutex);
        if (!m_free.wait_until(guard, until, [this] { return !m_taken; }))
            return false;
        m_taken = true;
        return true;
    }
    void unlock()
    {
        {
            const std::lock_guard guard(m_mutex);
            m_taken = false;
        }
        m_free.notify_one();
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_free;
    bool m_taken = false;
};

// A connection handle's object: the link to the server and what the server said of it.
struct Session : Object {
    Session() : Object(ADS_CONNECTION) {}

    TimedLock mutex; // one request at a time on the link
    Link link;
    std::string serverName;
    std::uint32_t connectionNumber = 0;

    // Sends a request and reads its answer, one request at a time on the link, all before
    // the deadline (the wait for another thread's request included); an Error answer
    // becomes the last error. Gives 0 and the answer (type byte first), or the failure code.
    std::uint32_t request(const wire::Writer &message, std::vector<std::uint8_t> &reply,
                          std::uint8_t expected, std::uint32_t maxAnswer, Deadline deadline);

    // A cursor walking forward asks for its next batch before it needs it, so the server
    // answers while the caller works on the rows it has. At most one fetch is ahead on a
    // link; any other request reads its answer first, so the link stays in step. buffer is
    // a spare the answer may be read into. Gives nothing: a failure shows on the next call.
    void fetchAhead(std::uint32_t cursor, std::uint32_t first, std::uint32_t count,
                    std::vector<std::uint8_t> buffer, Deadline deadline);
    // The answer of a fetch sent ahead, checked as request checks it; NotAhead when no such
    // fetch was sent.
    static constexpr std::uint32_t NotAhead = 0xFFFFFFFF;
    std::uint32_t takeAhead(std::uint32_t cursor, std::uint32_t first, std::uint32_t count,
                            std::vector<std::uint8_t> &reply, Deadline deadline);
    // Drops what was fetched ahead for a cursor the server no longer has.
    void forgetAhead(std::uint32_t cursor);

    // Memory for the cursors' batches, used again.
    BufferPool buffers;

private:
    struct Ahead {
        std::uint32_t cursor = 0;
        std::uint32_t first = 0;
        std::uint32_t count = 0;
        bool read = false;
        std::vector<std::uint8_t> answer;
    };
    // With the mutex held.
    std::uint32_t readAhead(Deadline deadline);
    std::uint32_t checked(const std::vector<std::uint8_t> &reply, std::uint8_t expected);

    std::optional<Ahead> m_ahead;
};

} // namespace engine
