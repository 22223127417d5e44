#include "dlgRemoteInfoU.h"

QPointer<TdlgRemoteInfo> dlgRemoteInfo;

TdlgRemoteInfo::TdlgRemoteInfo(QWidget *owner)
    : QDialog(owner, Qt::Window | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                         Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("dlgRemoteInfo"));
    setWindowTitle(QStringLiteral("Remote Server Info"));
    resize(840, 491);
}
