#pragma once

#include <QStringList>

// The stand-in engine's record of the calls made to it: switched on and cleared by a
// test, read back as one entry per call.
class EngineCallLog {
public:
    EngineCallLog();  // clears and switches the log on
    ~EngineCallLog(); // switches it off

    QStringList calls() const;
    void clear();
};
