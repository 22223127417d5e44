// Starts the program as it starts (main window, discovery, message loop) on a given Wine
// prefix and closes the main window as soon as it is shown, for the test that checks from
// outside that closing while servers are probed ends the program at once.
//
//   discovery_close_child PREFIX EXECUTABLE_PATH
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
        std::fprintf(stderr, "usage: discovery_close_child PREFIX EXECUTABLE_PATH\n");
        return 2;
    }
    PlacedPlatform platform(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    auto *closer = new QTimer(&application);
    QObject::connect(closer, &QTimer::timeout, [closer] {
        if (!Form1 || !Form1->isVisible())
            return;
        closer->stop();
        std::printf("%s\n",
                    Form1->DiscoveryDone() ? "closed after discovery" : "closed while probing");
        std::fflush(stdout);
        Form1->close();
    });
    closer->start(50);
    return runEntrySequence(application, platform);
}
