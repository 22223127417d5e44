#include "ConsoleProgram.h"

#include <QCoreApplication>

void ConsoleProgram::sayError(const CommandOutput &output, const QString &text) const
{
    output.err(name + QStringLiteral(": ") + text + QLatin1Char('\n'));
}

void ConsoleProgram::sayUsageError(const CommandOutput &output, const QString &text) const
{
    output.err(name + QStringLiteral(": ") + text + QLatin1Char('\n') +
               QCoreApplication::translate("Console", usageLine)
                   .arg(QCoreApplication::translate("Console", synopsis)) +
               QLatin1Char('\n'));
}
