#pragma once

#include <QObject>
#include <memory>

class QSocketNotifier;

// SIGTERM and SIGINT (Ctrl+C) as a signal of this thread's event loop, for as long as the
// object lives: the handler only writes a byte into a pipe, which the loop reads.
class StopSignal : public QObject {
    Q_OBJECT
public:
    explicit StopSignal(QObject *parent = nullptr);
    ~StopSignal() override;

signals:
    void stopped();

private:
    std::unique_ptr<QSocketNotifier> m_notifier;
};
