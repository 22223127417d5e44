#pragma once

#include <QDialog>
#include <QPointer>

// The remote server monitor: one server's usage, installation data and users.
class TdlgRemoteInfo : public QDialog {
    Q_OBJECT
public:
    explicit TdlgRemoteInfo(QWidget *owner = nullptr);
};

// The program-wide reference to the monitor; empty until it is created.
extern QPointer<TdlgRemoteInfo> dlgRemoteInfo;
