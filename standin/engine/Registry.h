#pragma once

// The engine's bookkeeping: typed handles, the per-thread last error and the call log.

#include "AceApi.h"

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#ifdef _WIN32
#define ACE_EXPORT extern "C" __declspec(dllexport)
#else
#define ACE_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace engine {

struct Object {
    explicit Object(UNSIGNED16 t) : type(t) {}
    virtual ~Object() = default;
    const UNSIGNED16 type;
};

// Handles are unique 32-bit values, never 0 and never reused within a process.
class Handles {
public:
    static Handles &instance();

    ADSHANDLE add(std::shared_ptr<Object> object);
    std::shared_ptr<Object> find(ADSHANDLE handle) const;
    template <typename T> std::shared_ptr<T> find(ADSHANDLE handle, UNSIGNED16 type) const
    {
        std::shared_ptr<Object> object = find(handle);
        if (!object || object->type != type)
            return nullptr;
        return std::static_pointer_cast<T>(object);
    }
    // The object behind a handle for the rest of this call: the thread's last lookup is
    // remembered (and kept alive) until a handle is removed, so a cursor walked row by row
    // costs no lock.
    template <typename T> T *findHere(ADSHANDLE handle, UNSIGNED16 type) const
    {
        Object *object = lookupHere(handle);
        return object && object->type == type ? static_cast<T *>(object) : nullptr;
    }
    void remove(ADSHANDLE handle);
    // Removes every object the predicate picks; gives how many.
    template <typename Predicate> int removeIf(Predicate pick)
    {
        std::vector<std::shared_ptr<Object>> doomed;
        {
            const std::lock_guard lock(m_mutex);
            for (auto it = m_objects.begin(); it != m_objects.end();) {
                if (pick(*it->second)) {
                    m_generation.fetch_add(1, std::memory_order_acq_rel);
                    doomed.push_back(std::move(it->second));
                    it = m_objects.erase(it);
                } else {
                    ++it;
                }
            }
        }
        return int(doomed.size());
    }

private:
    Object *lookupHere(ADSHANDLE handle) const;

    mutable std::mutex m_mutex;
    std::atomic<std::uint64_t> m_generation{0};
    std::unordered_map<ADSHANDLE, std::shared_ptr<Object>> m_objects;
    ADSHANDLE m_next = 0x1001;
};

// Records the failure as this thread's last error and gives its code back.
UNSIGNED32 fail(UNSIGNED32 code, std::string text);
UNSIGNED32 lastErrorCode();
const std::string &lastErrorText();

// Function names in call order, kept while a test has switched the log on.
void logCall(const char *name);
void logCall(const std::string &entry);
bool callLogEnabled();

} // namespace engine
