// Built in a layer's include scope; the native platform backend's header must not be found.
#ifdef _WIN32
#include "Win32Platform.h"
#else
#include "PosixPlatform.h"
#endif

int strayBackendInclude()
{
    return 0;
}
