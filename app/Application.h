#pragma once

#include <QApplication>

// The program's application object. Every handler that reaches the data access layer
// catches its own failures; should one ever slip through, it is shown here rather than
// left to unwind through Qt's event loop.
class Application : public QApplication {
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override;
};
