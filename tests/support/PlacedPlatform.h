#pragma once

#include "PosixPlatform.h"

// The Linux backend on a given Wine prefix, with the executable placed in a test's own
// folder.
class PlacedPlatform : public PosixPlatform {
public:
    PlacedPlatform(const QString &prefix, const QString &executable)
        : PosixPlatform(prefix), m_executable(executable)
    {
    }
    QString executablePath() override { return m_executable; }

private:
    QString m_executable;
};
