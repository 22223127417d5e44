#include "Application.h"
#include "EntrySequence.h"
#include "Platform.h"

#include <QFileInfo>
#include <QLocale>

int main(int argc, char *argv[])
{
    Application application(argc, argv);
    applyApplicationFont(application);
    const std::unique_ptr<Platform> platform = createNativePlatform();
    installQtTranslations(application, QLocale(), QFileInfo(platform->executablePath()).path());
    return runEntrySequence(application, *platform);
}
