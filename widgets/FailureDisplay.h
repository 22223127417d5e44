#pragma once

#include "Exception.h"

#include <QMessageBox>
#include <QString>
#include <exception>
#include <functional>
#include <memory>
#include <utility>

// How the program shows an exception that leaves an event handler: a modal error box with
// one "OK" button, captioned with the program title. No exception crosses the event loop.
// The program's other message boxes go the same way, so tests answer them all at one
// place.
namespace FailureDisplay {

struct Box {
    QMessageBox::Icon icon = QMessageBox::Critical;
    QString caption;
    QString text;
    bool centredOnScreen = false; // else over the active window
};

// The executable's file name up to its first ".", lower case after the first character.
QString programTitle(const QString &executablePath);

// A full stop is added when the last character's code lies above that of ".".
QString withFullStop(const QString &message);

// The box as it is shown: application-modal, one "OK" button.
std::unique_ptr<QMessageBox> makeBox(const Box &box, QWidget *parent = nullptr);
// Shows a box and waits for its answer; while a hook is set, the hook gets it instead.
void present(const Box &box);

void show(const std::exception &error);
void showMessage(const QString &message);
// An information box, captioned as given.
void inform(const QString &caption, const QString &text);

// Shows the failure once control is back in the event loop: for handlers that must not
// open a modal loop of their own (painting, resizing). The same message waiting to be
// shown is not queued twice.
void showLater(const QString &message);

// Tests answer the boxes: while a hook is set, it gets each box and none is shown.
using Hook = std::function<void(const Box &box)>;
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
        showLater(Exception::messageOf(error));
    } catch (...) {
        showLater(Exception::messageOf(std::exception()));
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
