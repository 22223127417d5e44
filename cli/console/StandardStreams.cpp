#include "StandardStreams.h"

#include "WinApi.h"

#include <QCoreApplication>
#include <QFile>
#include <cerrno>
#include <cstdio>
#ifndef QUELLMARK_WIN32
#include <unistd.h>
#endif

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(Console)
};

#ifndef QUELLMARK_WIN32
constexpr DWORD STD_OUTPUT_HANDLE = 1;
constexpr DWORD STD_ERROR_HANDLE = 2;
#endif

// The first failed write; later ones are kept from hiding it.
std::optional<QString> firstFailure;

void failed(const QString &stream, int error)
{
    if (!firstFailure)
        firstFailure = Texts::tr("die %1 kann nicht geschrieben werden: %2")
                           .arg(stream, qt_error_string(error));
}

QString nameOf(DWORD handle)
{
    return handle == STD_OUTPUT_HANDLE ? Texts::tr("Standardausgabe")
                                       : Texts::tr("Standardfehlerausgabe");
}

#ifdef QUELLMARK_WIN32
bool isConsole(DWORD handle)
{
    DWORD mode = 0;
    return ::GetConsoleMode(::GetStdHandle(handle), &mode) != 0;
}
#endif

void write(std::FILE *stream, DWORD handle, const QString &text)
{
#ifdef QUELLMARK_WIN32
    if (isConsole(handle)) {
        std::fflush(stream);
        DWORD written = 0;
        if (!::WriteConsoleW(::GetStdHandle(handle), text.utf16(), DWORD(text.size()), &written,
                             nullptr) ||
            written != DWORD(text.size()))
            failed(nameOf(handle), int(::GetLastError()));
        return;
    }
#endif
    const QByteArray bytes = text.toUtf8();
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stream) !=
            std::size_t(bytes.size()) ||
        std::fflush(stream) != 0)
        failed(nameOf(handle), errno ? errno : EIO);
}

} // namespace

namespace StandardStreams {

void writeOut(const QString &text)
{
    write(stdout, STD_OUTPUT_HANDLE, text);
}

void writeErr(const QString &text)
{
    write(stderr, STD_ERROR_HANDLE, text);
}

CommandOutput output()
{
    return {&writeOut, &writeErr, errIsTerminal()};
}

bool errIsTerminal()
{
#ifdef QUELLMARK_WIN32
    return isConsole(STD_ERROR_HANDLE);
#else
    return ::isatty(STDERR_FILENO) != 0;
#endif
}

std::optional<QString> finish()
{
    for (std::FILE *stream : {stdout, stderr}) {
        errno = 0;
        if (std::fflush(stream) != 0 || std::ferror(stream))
            failed(nameOf(stream == stdout ? STD_OUTPUT_HANDLE : STD_ERROR_HANDLE),
                   errno ? errno : EIO);
    }
    return firstFailure;
}

} // namespace StandardStreams
