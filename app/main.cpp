#include "Application.h"
#include "EntrySequence.h"
#include "Platform.h"

int main(int argc, char *argv[])
{
    Application application(argc, argv);
    applyApplicationFont(application);
    const std::unique_ptr<Platform> platform = createNativePlatform();
    return runEntrySequence(application, *platform);
}
