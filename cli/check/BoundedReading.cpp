#include "BoundedReading.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace {

namespace Texts {
const char *const NoAnswer = "no answer within %1 s";
} // namespace Texts

std::atomic<bool> g_abandoned{false};

struct Shared {
    std::mutex mutex;
    std::condition_variable done;
    std::optional<ServerStatus> status;
};

} // namespace

ServerStatus readWithin(const CheckTarget &target, int timeoutMs, UserRows userRows)
{
    const QString path = target.connectPath();
    const int seconds = std::max(1, (timeoutMs + 999) / 1000);
    auto shared = std::make_shared<Shared>();
    std::thread reader([shared, path, seconds, userRows] {
        ServerStatus status = readServerStatus(path, quint32(seconds), userRows);
        const std::lock_guard lock(shared->mutex);
        shared->status = std::move(status);
        shared->done.notify_all();
    });
    const auto started = std::chrono::steady_clock::now();
    std::unique_lock lock(shared->mutex);
    if (shared->done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                              [&] { return shared->status.has_value(); })) {
        ServerStatus status = std::move(*shared->status);
        lock.unlock();
        reader.join();
        return status;
    }
    lock.unlock();
    g_abandoned = true;
    reader.detach();
    ServerStatus status;
    status.connectPath = path;
    status.outcome = ServerStatus::Outcome::TimedOut;
    status.text = QString::fromLatin1(Texts::NoAnswer).arg(double(timeoutMs) / 1000.0);
    status.milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(
                              std::chrono::steady_clock::now() - started)
                              .count();
    return status;
}

bool readingAbandoned()
{
    return g_abandoned;
}

void abandonReading()
{
    g_abandoned = true;
}
