#include "Console.h"

#include "WinApi.h"

#include <cstdio>
#ifndef QUELLMARK_WIN32
#include <unistd.h>
#endif

namespace {

#ifdef QUELLMARK_WIN32
bool isConsole(DWORD handle)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(handle), &mode) != 0;
}
#endif

void write(std::FILE *stream, [[maybe_unused]] DWORD handle, const QString &text)
{
#ifdef QUELLMARK_WIN32
    if (isConsole(handle)) {
        std::fflush(stream);
        DWORD written = 0;
        ::WriteConsoleW(::GetStdHandle(handle), text.utf16(), DWORD(text.size()), &written,
                        nullptr);
        return;
    }
#endif
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream);
    std::fflush(stream);
}

#ifndef QUELLMARK_WIN32
constexpr DWORD STD_OUTPUT_HANDLE = 1;
constexpr DWORD STD_ERROR_HANDLE = 2;
#endif

} // namespace

namespace Console {

void writeOut(const QString &text)
{
    write(stdout, STD_OUTPUT_HANDLE, text);
}

void writeErr(const QString &text)
{
    write(stderr, STD_ERROR_HANDLE, text);
}

bool errIsTerminal()
{
#ifdef QUELLMARK_WIN32
    return isConsole(STD_ERROR_HANDLE);
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

} // namespace Console
