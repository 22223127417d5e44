// Starts the program as it starts, opens "Alle Server…" once discovery is done and closes
// the main window while the overview's readings still run, for the test that checks from
// outside that the program then ends at once.
//
//   overview_close_child PREFIX EXECUTABLE_PATH
#include "EntrySequence.h"
#include "PlacedPlatform.h"
#include "dlgMainU.h"

#include <QApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: overview_close_child PREFIX EXECUTABLE_PATH\n");
        return 2;
    }
    PlacedPlatform platform(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    auto *closer = new QTimer(&application);
    QObject::connect(closer, &QTimer::timeout, [closer] {
        if (!Form1 || !Form1->isVisible() || !Form1->DiscoveryDone())
            return;
        Form1->showAllServers();
        closer->stop();
        std::printf("%s\n", Form1->ReadingsRunning() ? "closed while reading" : "closed idle");
        std::fflush(stdout);
        Form1->close();
    });
    closer->start(50);
    return runEntrySequence(application, platform);
}
