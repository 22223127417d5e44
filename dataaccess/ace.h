#pragma once

#include "AceApi.h"

#include <QString>
#include <array>
#include <atomic>
#include <mutex>

class Platform;

// The client engine, bound by name on first use: the first call loads the library, each
// function is resolved at its first call. A library that cannot be loaded raises
// "Externe Exception C06D007E", a missing function "Externe Exception C06D007F"; failures
// are not remembered, so the next call tries again.
class AceBinding {
public:
    AceBinding(Platform &platform, QString libraryName);
    ~AceBinding();
    AceBinding(const AceBinding &) = delete;
    AceBinding &operator=(const AceBinding &) = delete;

    // The program's binding: the native platform and the engine's library name.
    static AceBinding &instance();
    static QString defaultLibraryName();

#define ACE_MEMBER(name, params, args) UNSIGNED32 name params;
    ACE_FUNCTIONS(ACE_MEMBER)
#undef ACE_MEMBER

    // Any export of the library by name, bound the same way (for extensions of the
    // stand-in engine that only tests call).
    void *resolveExtra(const char *name);

private:
    enum : int {
#define ACE_INDEX(name, params, args) Fn_##name,
        ACE_FUNCTIONS(ACE_INDEX)
#undef ACE_INDEX
            FunctionCount
    };

    void *function(int index, const char *name);
    void *load(const char *name);

    Platform &m_platform;
    QString m_libraryName;
    bool m_keepLoaded = false;
    std::mutex m_mutex;
    void *m_library = nullptr;
    // Bound functions; read without the lock once set.
    std::array<std::atomic<void *>, FunctionCount> m_functions{};
};

// The engine's functions as the data access layer calls them, through the program's
// binding.
namespace ace {
#define ACE_FREE(name, params, args) UNSIGNED32 name params;
ACE_FUNCTIONS(ACE_FREE)
#undef ACE_FREE
} // namespace ace
