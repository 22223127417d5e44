#include "Registry.h"

#include <atomic>
#include <cstring>

namespace engine {

namespace {

struct LastError {
    UNSIGNED32 code = 0;
    std::string text;
};
thread_local LastError t_lastError;

std::atomic<bool> g_logOn{false};
std::mutex g_logMutex;
std::vector<std::string> g_log;

} // namespace

Handles &Handles::instance()
{
    static Handles handles;
    return handles;
}

ADSHANDLE Handles::add(std::shared_ptr<Object> object)
{
    const std::lock_guard lock(m_mutex);
    const ADSHANDLE handle = m_next++;
    m_objects.emplace(handle, std::move(object));
    return handle;
}

std::shared_ptr<Object> Handles::find(ADSHANDLE handle) const
{
    const std::lock_guard lock(m_mutex);
    const auto it = m_objects.find(handle);
    return it == m_objects.end() ? nullptr : it->second;
}

Object *Handles::lookupHere(ADSHANDLE handle) const
{
    struct Remembered {
        const Handles *owner = nullptr;
        ADSHANDLE handle = 0;
        std::uint64_t generation = 0;
        std::shared_ptr<Object> object;
    };
    thread_local Remembered last;
    const std::uint64_t generation = m_generation.load(std::memory_order_acquire);
    if (last.owner == this && last.handle == handle && last.generation == generation && last.object)
        return last.object.get();
    last.object = find(handle);
    last.owner = this;
    last.handle = handle;
    last.generation = generation;
    return last.object.get();
}

void Handles::remove(ADSHANDLE handle)
{
    std::shared_ptr<Object> object;
    {
        const std::lock_guard lock(m_mutex);
        m_generation.fetch_add(1, std::memory_order_acq_rel);
        const auto it = m_objects.find(handle);
        if (it == m_objects.end())
            return;
        object = std::move(it->second);
        m_objects.erase(it);
    }
    // Destroyed outside the lock: a connection removes its statements as it goes.
    object.reset();
}

UNSIGNED32 fail(UNSIGNED32 code, std::string text)
{
    t_lastError.code = code;
    t_lastError.text = std::move(text);
    return code;
}

UNSIGNED32 lastErrorCode()
{
    return t_lastError.code;
}

const std::string &lastErrorText()
{
    return t_lastError.text;
}

bool callLogEnabled()
{
    return g_logOn.load(std::memory_order_relaxed);
}

void logCall(const char *name)
{
    if (callLogEnabled())
        logCall(std::string(name));
}

void logCall(const std::string &entry)
{
    if (!callLogEnabled())
        return;
    const std::lock_guard lock(g_logMutex);
    if (g_log.size() < 100000)
        g_log.push_back(entry);
}

} // namespace engine

// Test-only exports: switch the call log on or off (clearing it), and read it as one
// line per call.
ACE_EXPORT void StandinEnableCallLog(int on)
{
    const std::lock_guard lock(engine::g_logMutex);
    engine::g_log.clear();
    engine::g_logOn = on != 0;
}

ACE_EXPORT UNSIGNED32 StandinCallLog(char *buffer, UNSIGNED32 *length)
{
    const std::lock_guard lock(engine::g_logMutex);
    std::string text;
    for (const std::string &entry : engine::g_log)
        text += entry + '\n';
    if (!buffer || !length || *length <= text.size()) {
        if (length)
            *length = static_cast<UNSIGNED32>(text.size() + 1);
        return 1;
    }
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    *length = static_cast<UNSIGNED32>(text.size());
    return 0;
}
