#pragma once

#include "AceApi.h"

namespace engine {

// Removes the statements and cursors of a connection.
void closeSessionObjects(ADSHANDLE connection);

} // namespace engine
