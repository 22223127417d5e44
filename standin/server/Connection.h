#pragma once

#include <QDateTime>
#include <QString>

// One client connection as the server keeps it.
struct ConnectionInfo {
    quint32 number = 0;
    QString workstation;
    QString osLogin;
    QString application;
    QString peer;
    QString share;
    QString user;
    QDateTime connectTime;
};
