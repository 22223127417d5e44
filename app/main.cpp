#include "EntrySequence.h"
#include "Platform.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    applyApplicationFont(application);
    const std::unique_ptr<Platform> platform = createNativePlatform();
    return runEntrySequence(application, *platform);
}
