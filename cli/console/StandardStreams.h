#pragma once

#include "CommandOutput.h"

#include <QString>
#include <optional>

// The process's standard output and standard error: text in UTF-8, or as UTF-16 to a
// Windows console (which shows UTF-8 bytes in its own code page).
namespace StandardStreams {

void writeOut(const QString &text);
void writeErr(const QString &text);
// Standard error is a terminal (a console window), not a file or a pipe.
bool errIsTerminal();
// The two streams as a command writes to them.
CommandOutput output();

// Flushes both streams; the first failure of any write to standard output or error so far
// (a full disk, a closed stream), in words, or nothing when all was written.
std::optional<QString> finish();

} // namespace StandardStreams
