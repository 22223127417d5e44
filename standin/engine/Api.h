#pragma once

// The engine's functions as this library implements them. The exported C functions are
// generated from the same list (Exports.cpp): each calls its implementation here and turns
// any C++ exception into an engine error, so none ever leaves the library.

#include "AceApi.h"

namespace engine::api {
#define STANDIN_IMPLEMENT(name, params, args) UNSIGNED32 name params;
ACE_FUNCTIONS(STANDIN_IMPLEMENT)
#undef STANDIN_IMPLEMENT
} // namespace engine::api
