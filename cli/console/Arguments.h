#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The arguments as the system gives them, without the program's name; an error for one
// that file names cannot hold (bytes that are not text in the system's encoding), which a
// command must not act on in a changed form. Needs Qt's core application.
std::optional<QStringList> decodeArguments(int argc, char *argv[], QString &error);
