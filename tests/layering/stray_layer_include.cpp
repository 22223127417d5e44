// Built in the stand-in engine's include scope with one STRAY_ macro set (the header's name
// as an identifier); the program's layers must not be found there.
#if defined(STRAY_adsdata_h)
#include "adsdata.h"
#elif defined(STRAY_Platform_h)
#include "Platform.h"
#else
#error "no stray include picked"
#endif

int strayLayerInclude()
{
    return 0;
}
