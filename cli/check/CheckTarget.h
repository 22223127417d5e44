#pragma once

#include <QList>
#include <QString>
#include <optional>

// One server to check, as the monitor addresses it: host, port and the share its connect
// path names.
struct CheckTarget {
    QString host;
    quint16 port = 0;
    QString share;

    // "\\host:port\share", as the engine takes it.
    QString connectPath() const;
    // "host:port", for labels and names.
    QString label() const;
};

// The port a target without one is checked at: the monitor's.
constexpr quint16 DefaultCheckPort = 6262;
// The share a target given without one names: the administrative share every Windows file
// server has, as the monitor's preset path does.
inline const QString DefaultCheckShare = QStringLiteral("c$");

// "\\server[:port]\share[\folder...]", or nothing and a reason. Blanks around the share are
// dropped, as the monitor drops them.
std::optional<CheckTarget> parseConnectPath(const QString &text, QString &error);
// "HOST[:PORT]" (an IPv6 address in brackets), with the share given apart.
std::optional<CheckTarget> parseHostPort(const QString &text, const QString &share, QString &error);
// Either form: a text that starts with a backslash is a connect path.
std::optional<CheckTarget> parseTarget(const QString &text, const QString &share, QString &error);

// A host name (letters, digits, hyphens and dots, as DNS names are spelt) or an IP literal.
bool isValidHost(const QString &host);
