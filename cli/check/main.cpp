#include "BoundedReading.h"
#include "CheckTool.h"
#include "ConsoleProgram.h"
#ifdef QUELLMARK_EXPORTER
#include "Exporter.h"
#endif
#ifdef QUELLMARK_EXPORTER_BESIDE
#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstring>
#include <unistd.h>
#endif

#include <cstdlib>

namespace {

#ifdef QUELLMARK_EXPORTER_BESIDE
// The exporter is a program of its own beside this one, quellmark-check-exporter: Qt's HTTP
// server and network modules would cost every check their loading, a good part of its
// time. --listen becomes that program in this process (same id, same streams).
char **g_argv = nullptr;

CheckState becomeExporter(const ExporterSettings &, const CommandOutput &output)
{
    const QByteArray program = QFile::encodeName(QCoreApplication::applicationDirPath() +
                                                 QStringLiteral("/quellmark-check-exporter"));
    ::execv(program.constData(), g_argv);
    output.out(QStringLiteral("ADS UNKNOWN - cannot start %1: %2\n")
                   .arg(QFile::decodeName(program), QString::fromLocal8Bit(std::strerror(errno))));
    return CheckState::Unknown;
}
#endif

} // namespace

int main(int argc, char *argv[])
{
#if defined(QUELLMARK_EXPORTER)
    const CheckTool::Listen listen = &runExporter;
#elif defined(QUELLMARK_EXPORTER_BESIDE)
    g_argv = argv;
    const CheckTool::Listen listen = &becomeExporter;
#else
    const CheckTool::Listen listen;
#endif
    return runConsoleProgram(argc, argv, CheckTool::Program, CheckTool::Codes,
                             [&listen](const QStringList &arguments, const CommandOutput &output) {
                                 const CheckState state = CheckTool::run(arguments, output, listen);
                                 // A reading given up still runs on its thread: nothing may be torn
                                 // down under it, so the process ends here, its output written.
                                 if (readingAbandoned()) {
                                     const bool lost = StandardStreams::finish().has_value();
                                     std::_Exit(lost ? CheckTool::exitCode(CheckState::Unknown)
                                                     : CheckTool::exitCode(state));
                                 }
                                 return state;
                             });
}
