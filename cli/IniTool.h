#pragma once

#include "CommandOutput.h"
#include "ConsoleProgram.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class Platform;

// quellmark-ini: the main window's discovery, preview and writer for scripts, without
// widgets. Commands preview, diff, write, restore and diagnose; options --ini PATH,
// --json, --check, --quiet, --help and --version.
namespace IniTool {

// What a call comes to; exitCode() is what a script is told of it.
enum class Outcome {
    Done,           // done, or nothing to change
    ChangesPending, // diff --check: a write would change the file
    FileFailed,     // the file could not be read, written or restored
    OutputLost,     // standard output or error could not be written
    Failed,         // anything else went wrong
    UsageError,     // a wrong call
};
int exitCode(Outcome outcome);

inline const ConsoleProgram Program{
    QStringLiteral("quellmark-ini"),
    QT_TRANSLATE_NOOP("Console", "quellmark-ini BEFEHL [OPTIONEN]")};
inline const ExitCodes<Outcome> Codes{&exitCode, Outcome::UsageError, Outcome::OutputLost};

// Runs one command line (arguments without the program's name) to its outcome. Needs a
// running Qt core application on this thread; never raises.
Outcome run(Platform &platform, const QStringList &arguments, const CommandOutput &output);

// What --help prints.
QString usage();

} // namespace IniTool
