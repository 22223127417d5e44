#include "EntrySequence.h"

#include "FailureDisplay.h"
#include "Fonts.h"
#include "LoginDialog.h"
#include "adscnnct.h"
#include "dlgMainU.h"
#include "dlgRemoteInfoU.h"

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <cstdio>
#include <cstdlib>
#include <memory>

void applyApplicationFont(QApplication &application)
{
    ensureTahoma();
    QFont font(QStringLiteral("Tahoma"));
    font.setPixelSize(11);
    application.setFont(font);
}

QTranslator *installQtTranslations(QApplication &application, const QLocale &locale,
                                   const QString &executableDir)
{
    auto translator = std::make_unique<QTranslator>(&application);
    for (const QString &dir : {QDir(executableDir).filePath(QStringLiteral("translations")),
                               QLibraryInfo::path(QLibraryInfo::TranslationsPath)})
        if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"), dir)) {
            application.installTranslator(translator.get());
            return translator.release();
        }
    return nullptr;
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
        const int code = application.exec();
        if (!mainWindow->DiscoveryDone() || mainWindow->ReadingsRunning()) {
            // Closed while servers are still probed or read: end now rather than wait out
            // their time-outs. Nothing is written meanwhile, so nothing is lost.
            std::fflush(nullptr);
            std::_Exit(code);
        }
        return code;
    } catch (const std::exception &error) {
        return FatalReport::show(error);
    }
}
