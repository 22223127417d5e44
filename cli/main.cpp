#include "Console.h"
#include "IniTool.h"
#include "Platform.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    const QCoreApplication application(argc, argv);
    const std::unique_ptr<Platform> platform = createNativePlatform();
    return IniTool::run(*platform, QCoreApplication::arguments().mid(1),
                        {&Console::writeOut, &Console::writeErr, Console::errIsTerminal()});
}
