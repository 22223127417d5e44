#include "ConsoleProgram.h"

void ConsoleProgram::sayError(const CommandOutput &output, const QString &text) const
{
    output.err(name + QStringLiteral(": ") + text + QLatin1Char('\n'));
}

void ConsoleProgram::sayUsageError(const CommandOutput &output, const QString &text) const
{
    output.err(name + QStringLiteral(": ") + text + QLatin1Char('\n') + usageLead + synopsis +
               moreHelp + QLatin1Char('\n'));
}
