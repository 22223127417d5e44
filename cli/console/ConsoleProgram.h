#pragma once

#include "Arguments.h"
#include "CommandOutput.h"
#include "Language.h"
#include "StandardStreams.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <optional>

// What the console programs in cli/ share: every message on standard error starts with the
// program's name; a wrong call is told in one line, followed by the call and where to read
// more; an argument must be text; output that cannot be written is a failure; and each
// program turns its outcomes into exit codes in one table of its own.
struct ConsoleProgram {
    QString name;         // "quellmark-ini"
    const char *synopsis; // how it is called, translated in the context "Console"
    // The line after a usage error; a program whose texts are English by nature (the
    // monitoring check) gives its own, which has no translation.
    const char *usageLine = QT_TRANSLATE_NOOP("Console", "Aufruf: %1; mehr mit --help");

    // "NAME: text" on standard error.
    void sayError(const CommandOutput &output, const QString &text) const;
    // "NAME: text", then "USAGELEAD SYNOPSIS MOREHELP" ("Aufruf: ...; mehr mit --help").
    void sayUsageError(const CommandOutput &output, const QString &text) const;
};

// A program's table from outcome to exit code, and the outcomes the frame itself reaches.
template <typename Outcome> struct ExitCodes {
    int (*of)(Outcome);
    Outcome usageError; // an argument that is not text
    Outcome outputLost; // standard output or error could not be written
};

// main() of a console program: Qt's core application, the arguments as text, the command
// line run to its outcome on the process's standard streams (run(arguments, output) never
// raises), the streams finished, and the outcome's exit code.
template <typename Outcome, typename Run>
int runConsoleProgram(int argc, char *argv[], const ConsoleProgram &program,
                      const ExitCodes<Outcome> &codes, const Run &run)
{
    QCoreApplication application(argc, argv);
    const CommandOutput output = StandardStreams::output();
    QString error;
    const std::optional<QStringList> arguments = decodeArguments(argc, argv, error);
    Outcome outcome = codes.usageError;
    // The language first, so that even a wrong call is told in it.
    const LanguageChoice language = arguments ? chooseLanguage(*arguments) : LanguageChoice();
    installLanguage(application, language.language);
    if (!arguments)
        program.sayUsageError(output, error);
    else if (!language.error.isEmpty())
        program.sayUsageError(output, language.error);
    else
        outcome = run(withoutLanguage(*arguments), output);
    // Output that did not arrive is a failure: a scan would collect nothing and be told all
    // is well.
    if (const std::optional<QString> failure = StandardStreams::finish()) {
        program.sayError(output, *failure);
        outcome = codes.outputLost;
    }
    return codes.of(outcome);
}
