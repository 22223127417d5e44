#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The console of a command-line program: text to standard output and standard error, in
// UTF-8, or as UTF-16 to a Windows console (which shows UTF-8 bytes in its own code page).
namespace Console {

void writeOut(const QString &text);
void writeErr(const QString &text);
// Standard error is a terminal (a console window), not a file or a pipe.
bool errIsTerminal();

// Flushes both streams; the first failure of any write to standard output or error so far
// (a full disk, a closed stream), in words, or nothing when all was written.
std::optional<QString> finish();

// The arguments as the system gives them, without the program's name; an error for one
// that file names cannot hold (bytes that are not text in the system's encoding), which a
// command must not act on in a changed form.
std::optional<QStringList> arguments(int argc, char *argv[], QString &error);

} // namespace Console
