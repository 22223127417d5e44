#include "Console.h"
#include "IniTool.h"
#include "Platform.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    const std::unique_ptr<Platform> platform = createNativePlatform();
    const IniTool::Console console{&Console::writeOut, &Console::writeErr,
                                   Console::errIsTerminal()};
    QString error;
    const std::optional<QStringList> arguments = Console::arguments(argc, argv, error);
    int code = arguments ? IniTool::run(*platform, *arguments, console)
                         : IniTool::usageError(error, console);
    // Output that did not arrive is a failure: a scan would collect nothing and be told
    // all is well.
    if (const std::optional<QString> failure = Console::finish()) {
        Console::writeErr(QStringLiteral("quellmark-ini: ") + *failure + QLatin1Char('\n'));
        code = IniTool::FileFailed;
    }
    return code;
}
