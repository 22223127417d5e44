#pragma once

#include <QString>
#include <functional>

// Where a console command writes: its standard output and standard error, as callbacks so
// that a test can catch the text, and whether standard error is a terminal (a console
// window), where a line of progress can be shown and overwritten.
struct CommandOutput {
    std::function<void(const QString &)> out;
    std::function<void(const QString &)> err;
    bool errIsTerminal = false;
};
