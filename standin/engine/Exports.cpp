// The library's exports, one per function of the binding's list, with exactly the
// signature the binding declares. No C++ exception crosses them.

#include "AceCodes.h"
#include "Api.h"
#include "Registry.h"

#include <new>
#include <string>
#include <type_traits>

namespace {

// Records the failure without risking a second exception while doing so.
UNSIGNED32 failQuietly(UNSIGNED32 code, const char *function, const char *what) noexcept
{
    try {
        return engine::fail(code, std::string(function) + ": " + what);
    } catch (...) {
        return code;
    }
}

template <typename Call> UNSIGNED32 guarded(const char *function, Call &&call) noexcept
{
    try {
        return call();
    } catch (const std::bad_alloc &) {
        return failQuietly(acecode::OutOfResources, function, "the engine is out of memory.");
    } catch (const std::exception &error) {
        return failQuietly(acecode::InternalError, function, error.what());
    } catch (...) {
        return failQuietly(acecode::InternalError, function,
                           "unexpected failure inside the engine.");
    }
}

} // namespace

#define STANDIN_EXPORT(name, params, args)                                                         \
    ACE_EXPORT UNSIGNED32 ACE_ENTRY name params                                                    \
    {                                                                                              \
        return guarded(#name, [&] { return engine::api::name args; });                             \
    }                                                                                              \
    static_assert(std::is_same_v<decltype(&::name), name##_fn>, #name " signature");

#ifdef STANDIN_WITHOUT_SHOWERROR
// A copy that lacks one export, for the tests of a missing function: the function is
// exported under another name.
namespace engine::api {
inline UNSIGNED32 StandinLackingShowError(UNSIGNED8 *pucTitle)
{
    return AdsShowError(pucTitle);
}
} // namespace engine::api
#define AdsShowError StandinLackingShowError
#endif

ACE_FUNCTIONS(STANDIN_EXPORT)
