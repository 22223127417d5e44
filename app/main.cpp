#include "Application.h"
#include "EntrySequence.h"
#include "Language.h"
#include "Platform.h"

#include <QFileInfo>
#include <QLocale>

int main(int argc, char *argv[])
{
    Application application(argc, argv);
    applyApplicationFont(application);
    const std::unique_ptr<Platform> platform = createNativePlatform();
    // The language follows the workstation's; --lang de|en or QUELLMARK_LANG chooses.
    const Language language = chooseLanguage(QCoreApplication::arguments()).language;
    installLanguage(application, language);
    installQtTranslations(application, localeOf(language),
                          QFileInfo(platform->executablePath()).path());
    return runEntrySequence(application, *platform);
}
