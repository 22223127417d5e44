// Built in the engine contract's include scope; the data access layer must not be found.
#include "adsdata.h"

int strayDataAccessInclude()
{
    return 0;
}
