#include "Application.h"

#include "FailureDisplay.h"
#include "WindowAccess.h"

Application::Application(int &argc, char **argv) : QApplication(argc, argv)
{
    WindowAccess::installAccessibility();
}

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
