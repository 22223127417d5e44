#pragma once

#include <QString>

// The console of a command-line program: text to standard output and standard error, in
// UTF-8, or as UTF-16 to a Windows console (which shows UTF-8 bytes in its own code page).
namespace Console {

void writeOut(const QString &text);
void writeErr(const QString &text);
// Standard error is a terminal (a console window), not a file or a pipe.
bool errIsTerminal();

} // namespace Console
