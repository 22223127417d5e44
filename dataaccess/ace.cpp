#include "ace.h"

#include "Exception.h"
#include "Platform.h"

#include <cstring>
#include <memory>

AceBinding::AceBinding(Platform &platform, QString libraryName)
    : m_platform(platform), m_libraryName(std::move(libraryName))
{
}

AceBinding::~AceBinding()
{
    // The program's binding lives to the end of the process; libraries stay mapped then,
    // as a delay-loaded DLL does.
    if (m_library && !m_keepLoaded)
        m_platform.FreeLibrary(m_library);
}

QString AceBinding::defaultLibraryName()
{
#ifdef _WIN32
    return QStringLiteral("ace32.dll");
#else
    return QStringLiteral("libace32.so");
#endif
}

AceBinding &AceBinding::instance()
{
    static const std::unique_ptr<Platform> platform = createNativePlatform();
    static AceBinding *const binding = [] {
        auto *program = new AceBinding(*platform, defaultLibraryName());
        program->m_keepLoaded = true;
        return program;
    }();
    return *binding;
}

void *AceBinding::load(const char *name)
{
    if (!m_library) {
        m_library = m_platform.LoadLibraryW(wideText(m_libraryName));
        if (!m_library)
            throw EExternalException(DelayLoadModuleNotFound);
    }
    const Platform::ProcAddress address = m_platform.GetProcAddress(m_library, name);
    if (!address)
        throw EExternalException(DelayLoadProcNotFound);
    void *function = nullptr;
    std::memcpy(&function, &address, sizeof function);
    return function;
}

void *AceBinding::function(int index, const char *name)
{
    std::atomic<void *> &slot = m_functions[static_cast<std::size_t>(index)];
    if (void *bound = slot.load(std::memory_order_acquire))
        return bound;
    const std::lock_guard lock(m_mutex);
    void *bound = slot.load(std::memory_order_relaxed);
    if (!bound) {
        bound = load(name);
        slot.store(bound, std::memory_order_release);
    }
    return bound;
}

void *AceBinding::resolveExtra(const char *name)
{
    const std::lock_guard lock(m_mutex);
    return load(name);
}

#define ACE_DEFINE_MEMBER(name, params, args)                                                      \
    UNSIGNED32 AceBinding::name params                                                             \
    {                                                                                              \
        name##_fn entry = nullptr;                                                                 \
        void *address = function(Fn_##name, #name);                                                \
        std::memcpy(&entry, &address, sizeof entry);                                               \
        return entry args;                                                                         \
    }
ACE_FUNCTIONS(ACE_DEFINE_MEMBER)
#undef ACE_DEFINE_MEMBER

namespace ace {
#define ACE_DEFINE_FREE(name, params, args)                                                        \
    UNSIGNED32 name params                                                                         \
    {                                                                                              \
        return AceBinding::instance().name args;                                                   \
    }
ACE_FUNCTIONS(ACE_DEFINE_FREE)
#undef ACE_DEFINE_FREE
} // namespace ace
