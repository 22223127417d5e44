#include "Application.h"

#include "FailureDisplay.h"

bool Application::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        FailureDisplay::showLater(Exception::messageOf(error));
    } catch (...) {
        FailureDisplay::showLater(Exception::messageOf(std::exception()));
    }
    return false;
}
