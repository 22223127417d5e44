// Fails start-up on purpose and prints the fatal report it shows, for the test that checks
// the report and the exit code from outside.
#include "AnsweredBoxes.h"
#include "Exception.h"
#include "FailureDisplay.h"

#include <QApplication>
#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char *argv[])
{
#ifdef _WIN32
    // The report's own line ends go out as they are.
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    QApplication application(argc, argv);
    AnsweredBoxes watcher;
    int exitCode = 0;
    try {
        throw Exception(QStringLiteral("Monitor kann nicht erstellt werden"));
    } catch (const std::exception &error) {
        exitCode = FatalReport::show(error);
    }
    for (const FailureDisplay::Box &box : watcher.boxes)
        std::printf("caption=%s\nicon=%s\ntext=%s\n", qPrintable(box.caption),
                    box.icon == QMessageBox::Critical ? "critical" : "other", qPrintable(box.text));
    return exitCode;
}
