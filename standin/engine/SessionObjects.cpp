#include "SessionObjects.h"

#include "Cursor.h"

namespace engine {

void closeSessionObjects(ADSHANDLE connection)
{
    Handles::instance().removeIf([connection](const Object &object) {
        if (object.type == ADS_STATEMENT)
            return static_cast<const Statement &>(object).connection == connection;
        if (object.type == ADS_CURSOR)
            return static_cast<const Cursor &>(object).connection == connection;
        return false;
    });
}

} // namespace engine
