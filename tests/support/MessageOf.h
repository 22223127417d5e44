#pragma once

#include <QString>
#include <functional>

// The message of the exception of type E a call raises, or "(no exception)".
template <typename E> QString messageOf(const std::function<void()> &call)
{
    try {
        call();
    } catch (const E &error) {
        return error.message();
    }
    return QStringLiteral("(no exception)");
}
