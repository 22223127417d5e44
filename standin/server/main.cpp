// standin-server [--listen ADDR:PORT]... [--scenario FILE] [--control] [--with-parent]
//                [--max-open-files N]
// A stand-in database server for the demo and the tests. Its first line on standard
// output names every address it listens on; SIGTERM stops it cleanly. --control lets
// clients change its faults over the wire, --with-parent ends it with the process that
// started it, --max-open-files limits its descriptors (the tests use these).

#include "Server.h"

#include <QCoreApplication>
#include <QFile>
#include <QSocketNotifier>
#include <csignal>
#include <cstdio>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &byte, 1);
}

} // namespace

int main(int argc, char *argv[])
{
    // Qt's own event dispatcher makes fewer system calls per event than the GLib one.
    qputenv("QT_NO_GLIB", "1");
    QCoreApplication application(argc, argv);
    QStringList listens;
    QString scenarioFile;
    Server::Options options;
    const QStringList args = application.arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--listen") && i + 1 < args.size()) {
            listens.append(args[++i]);
        } else if (args[i] == QLatin1String("--scenario") && i + 1 < args.size()) {
            scenarioFile = args[++i];
        } else if (args[i] == QLatin1String("--control")) {
            options.controlAllowed = true;
        } else if (args[i] == QLatin1String("--with-parent")) {
            // Also when the parent aborts; a parent already gone leaves us to init.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() == 1)
                return 1;
        } else if (args[i] == QLatin1String("--max-open-files") && i + 1 < args.size()) {
            bool ok = false;
            const rlim_t limit = args[++i].toULong(&ok);
            const rlimit files{limit, limit};
            if (!ok || limit == 0 || ::setrlimit(RLIMIT_NOFILE, &files) != 0) {
                std::fprintf(stderr, "standin-server: bad --max-open-files\n");
                return 2;
            }
        } else {
            std::fprintf(stderr, "usage: standin-server [--listen ADDR:PORT]... [--scenario FILE] "
                                 "[--control] [--with-parent] [--max-open-files N]\n");
            return 2;
        }
    }
    if (listens.isEmpty())
        listens.append(QStringLiteral("127.0.0.1:6262"));

    try {
        Scenario scenario;
        if (!scenarioFile.isEmpty()) {
            QFile file(scenarioFile);
            if (!file.open(QIODevice::ReadOnly))
                throw std::runtime_error("cannot read " + scenarioFile.toStdString());
            scenario = Scenario::fromJson(file.readAll());
        }
        Server server(std::move(scenario), options);
        QStringList bound;
        for (const QString &listen : listens)
            bound.append(server.listen(listen));
        server.log(QStringLiteral("listening ") + bound.join(QLatin1Char(' ')));

        if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_signalPipe) != 0)
            throw std::runtime_error("socketpair failed");
        QSocketNotifier notifier(g_signalPipe[0], QSocketNotifier::Read);
        QObject::connect(&notifier, &QSocketNotifier::activated, &application,
                         &QCoreApplication::quit);
        std::signal(SIGTERM, onSignal);
        std::signal(SIGINT, onSignal);
        std::signal(SIGPIPE, SIG_IGN);

        const int code = application.exec();
        server.log(QStringLiteral("stopped"));
        return code;
    } catch (const std::exception &error) {
        std::fprintf(stderr, "standin-server: %s\n", error.what());
        return 1;
    }
}
