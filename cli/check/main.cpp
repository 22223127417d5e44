#include "BoundedReading.h"
#include "CheckTool.h"
#include "ConsoleProgram.h"
#ifdef QUELLMARK_EXPORTER
#include "Exporter.h"
#endif

#include <cstdlib>

int main(int argc, char *argv[])
{
#ifdef QUELLMARK_EXPORTER
    const CheckTool::Listen listen = &runExporter;
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
