#pragma once

#include <QApplication>

// The program's application object. Every handler that reaches the data access layer
// catches its own failures; should one ever slip through, it is shown here rather than
// left to unwind through Qt's event loop. Screen readers' view of the windows is set up
// before the first window exists.
class Application : public QApplication {
public:
    Application(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};
