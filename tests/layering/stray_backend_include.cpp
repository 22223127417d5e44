// Built in a layer's include scope with one STRAY_ macro set (the header's name as an
// identifier); the native platform backend's header must not be found, by either path.
#if defined(STRAY_PosixPlatform_h)
#include "PosixPlatform.h"
#elif defined(STRAY_posix_PosixPlatform_h)
#include "posix/PosixPlatform.h"
#elif defined(STRAY_Win32Platform_h)
#include "Win32Platform.h"
#elif defined(STRAY_win32_Win32Platform_h)
#include "win32/Win32Platform.h"
#else
#error "no stray include picked"
#endif

int strayBackendInclude()
{
    return 0;
}
