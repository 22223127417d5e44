#include "ConsoleProgram.h"
#include "IniTool.h"
#include "Platform.h"

#include <memory>

int main(int argc, char *argv[])
{
    return runConsoleProgram(argc, argv, IniTool::Program, IniTool::Codes,
                             [](const QStringList &arguments, const CommandOutput &output) {
                                 const std::unique_ptr<Platform> platform = createNativePlatform();
                                 return IniTool::run(*platform, arguments, output);
                             });
}
