#include "EntrySequence.h"

#include "FailureDisplay.h"
#include "Fonts.h"
#include "LoginDialog.h"
#include "adscnnct.h"
#include "dlgMainU.h"
#include "dlgRemoteInfoU.h"

#include <QApplication>
#include <memory>

void applyApplicationFont(QApplication &application)
{
    ensureTahoma();
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    application.setFont(font);
}

int runEntrySequence(QApplication &application, Platform &platform)
{
    setLoginDialogHook(&LoginDialog::ask);
    try {
        // The main window is the first window, so closing it ends the loop.
        auto mainWindow = std::make_unique<TForm1>(platform);
        Form1 = mainWindow.get();

        dlgRemoteInfo = new TdlgRemoteInfo(platform, mainWindow.get());

        mainWindow->show();
        return application.exec();
    } catch (const std::exception &error) {
        return FatalReport::show(error);
    }
}
