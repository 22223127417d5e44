#pragma once

#include "CheckTarget.h"
#include "ServerStatus.h"

#include <QString>

// Reads a server on a thread of its own and waits at most timeoutMs for it: the engine's
// own time-outs (connecting, each procedure) are longer than a check may take. A reading
// that is given up keeps running to its end on its thread; the process must then end
// without waiting for it (see readingAbandoned()).
ServerStatus readWithin(const CheckTarget &target, int timeoutMs, UserRows userRows);

// Whether a reading was given up and still runs: the process then ends with _Exit once its
// output is out, so that nothing is torn down under that thread.
bool readingAbandoned();
// Says so for a reading left on a thread elsewhere (an exporter's probe at its end).
void abandonReading();
