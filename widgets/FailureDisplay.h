#pragma once

#include <QString>
#include <exception>
#include <functional>
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
void showMessage(const QString &message);

// Shows the failure once control is back in the event loop: for handlers that must not
// open a modal loop of their own (painting, resizing). The same message waiting to be
// shown is not queued twice.
void showLater(const QString &message);

// Tests answer the boxes: while a hook is set, it gets each box's caption and text and no
// box is shown.
using Hook = std::function<void(const QString &caption, const QString &text)>;
void setHook(Hook hook);

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

// As guard, but the failure is shown after the handler has returned.
template <typename Handler> void guardLater(Handler &&handler) noexcept
{
    try {
        std::forward<Handler>(handler)();
    } catch (const std::exception &error) {
        showLater(messageOf(error));
    } catch (...) {
        showLater(messageOf(std::exception()));
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
