#pragma once

#include "CheckVerdict.h"
#include "CommandOutput.h"
#include "ConsoleProgram.h"
#include "ExporterSettings.h"

#include <QString>
#include <QStringList>
#include <functional>

// quellmark-check: one server's usage counters, installation data and connected users as a
// monitoring system reads them (a plugin's status line, a Checkmk local check, Prometheus
// metrics, JSON), or with --listen an exporter that probes servers for Prometheus.
namespace CheckTool {

int exitCode(CheckState state);

inline const ConsoleProgram Program{
    QStringLiteral("quellmark-check"),
    "quellmark-check [OPTIONS] \\\\SERVER[:PORT]\\SHARE | --server HOST[:PORT]",
    "Usage: %1; more with --help"};
inline const ExitCodes<CheckState> Codes{&exitCode, CheckState::Unknown, CheckState::Unknown};

// Runs the exporter until it is stopped; what the build has for --listen, or none.
using Listen = std::function<CheckState(const ExporterSettings &, const CommandOutput &)>;

// Runs one command line (arguments without the program's name) to its state. Needs a
// running Qt core application on this thread; never raises.
CheckState run(const QStringList &arguments, const CommandOutput &output, const Listen &listen);

// What --help prints; withListen: the build has the exporter.
QString usage(bool withListen);

} // namespace CheckTool
