#pragma once

#include <QString>
#include <vector>

// A loopback address and port whose connects never complete: a listener with a backlog of
// none whose queue is already full and is never accepted from, so the kernel drops every
// further SYN until the caller's connect time-out. What a switched-off server behind a
// dropping firewall looks like.
class Blackhole {
public:
    // Raises std::runtime_error when the address cannot be bound or filled.
    Blackhole(const QString &address, quint16 port);
    ~Blackhole();
    Blackhole(const Blackhole &) = delete;
    Blackhole &operator=(const Blackhole &) = delete;

private:
    void release();

    int m_listener = -1;
    std::vector<int> m_fillers;
};
