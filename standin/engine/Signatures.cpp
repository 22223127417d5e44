// Every export has exactly the signature the binding declares.

#include "AceApi.h"

#include <type_traits>

#define STANDIN_CHECK(name, params, args)                                                      \
    static_assert(std::is_same_v<decltype(&::name), name##_fn>, #name " signature");

extern "C" {
#define STANDIN_DECLARE(name, params, args) UNSIGNED32 ACE_ENTRY name params;
ACE_FUNCTIONS(STANDIN_DECLARE)
#undef STANDIN_DECLARE
}

ACE_FUNCTIONS(STANDIN_CHECK)
