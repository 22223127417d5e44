#include "Application.h"

#include "FailureDisplay.h"

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        FailureDisplay::showLater(FailureDisplay::messageOf(error));
    } catch (...) {
        FailureDisplay::showLater(FailureDisplay::messageOf(std::exception()));
    }
    return false;
}
