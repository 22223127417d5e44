#pragma once

#include <QString>
#include <QStringList>
#include <functional>

class Platform;

// quellmark-ini: the main window's discovery, preview and writer for scripts, without
// widgets. Commands preview, diff, write, restore and diagnose; options --ini PATH,
// --json, --check, --quiet, --help and --version.
namespace IniTool {

// Exit codes.
constexpr int Done = 0;           // done, or nothing to change
constexpr int ChangesPending = 1; // diff --check: a write would change the file
constexpr int FileFailed = 2;     // the file could not be read, written or restored
constexpr int UsageError = 3;

struct Console {
    std::function<void(const QString &)> out; // standard output
    std::function<void(const QString &)> err; // standard error
    bool errIsTerminal = false;               // then probing shows its progress there
};

// Runs one command line (arguments without the program's name) to its exit code. Needs
// a running Qt core application on this thread; never raises.
int run(Platform &platform, const QStringList &arguments, const Console &console);

QString usage();
// Says what is wrong with the call, and how it is made; gives UsageError.
int usageError(const QString &error, const Console &console);

} // namespace IniTool
