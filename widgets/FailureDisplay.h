#pragma once

#include <QString>
#include <exception>
#include <utility>

// How the program shows an exception that leaves an event handler: a modal error box with
// one "OK" button, captioned with the program title. No exception crosses the event loop.
namespace FailureDisplay {

// The executable's file name up to its first ".", lower case after the first character.
QString programTitle(const QString &executablePath);

// A full stop is added when the last character's code lies above that of ".".
QString withFullStop(const QString &message);

QString messageOf(const std::exception &error);

void show(const std::exception &error);

// Runs an event handler; whatever it throws is shown and the program carries on.
template <typename Handler> void guard(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception &error) {
        show(error);
    } catch (...) {
        show(std::exception());
    }
}

} // namespace FailureDisplay

// The run-time's last word when start-up itself fails.
namespace FatalReport {

QString text(const QString &className, const QString &moduleName, const void *address,
             const QString &message);

// Shows the report task-modally and gives the exit code of a failed start, 1.
int show(const std::exception &error);

} // namespace FatalReport
