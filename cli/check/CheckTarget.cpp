#include "CheckTarget.h"

#include "IpLiteral.h"
#include "adscnnct.h"

namespace {

namespace Texts {
const char *const Empty = "no server given";
const char *const NotPath = "%1 is no connect path (\\\\server[:port]\\share)";
const char *const NoShare = "%1 names no share (\\\\server[:port]\\share)";
const char *const BadHost = "%1 is no host name or IP address";
const char *const BadPort = "%1 is no port (1 to 65535)";
const char *const Control = "the server's name holds a control character";
} // namespace Texts

QString say(const char *text, const QString &arg = {})
{
    return arg.isNull() ? QString::fromLatin1(text) : QString::fromLatin1(text).arg(arg);
}

std::optional<quint16> portOf(const QString &text)
{
    bool ok = false;
    const uint port = text.toUInt(&ok, 10);
    if (!ok || port == 0 || port > 65535 || text.startsWith(QLatin1Char('+')))
        return std::nullopt;
    return quint16(port);
}

bool hasControl(const QString &text)
{
    for (const QChar c : text)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c.isSurrogate())
            return true;
    return false;
}

// "host" or "host:port" or "[v6]:port"; the port stays as it was when none is given.
bool splitHostPort(const QString &text, CheckTarget &target, QString &error)
{
    QString host = text;
    QString port;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0) {
            error = say(Texts::BadHost, text);
            return false;
        }
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty()) {
            if (!rest.startsWith(QLatin1Char(':'))) {
                error = say(Texts::BadHost, text);
                return false;
            }
            port = rest.mid(1);
            if (port.isEmpty()) {
                error = say(Texts::BadPort, port);
                return false;
            }
        }
    } else if (text.count(QLatin1Char(':')) == 1) {
        host = text.section(QLatin1Char(':'), 0, 0);
        port = text.section(QLatin1Char(':'), 1);
        if (port.isEmpty()) {
            error = say(Texts::BadPort, port);
            return false;
        }
    }
    if (hasControl(host)) {
        error = say(Texts::Control);
        return false;
    }
    if (!isValidHost(host)) {
        error = say(Texts::BadHost, host);
        return false;
    }
    if (!port.isEmpty()) {
        const std::optional<quint16> number = portOf(port);
        if (!number) {
            error = say(Texts::BadPort, port);
            return false;
        }
        target.port = *number;
    }
    target.host = host;
    return true;
}

} // namespace

QString CheckTarget::connectPath() const
{
    return ConnectPathOf(
        host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host, port,
        share);
}

QString CheckTarget::label() const
{
    const QString shown =
        host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host;
    return shown + QLatin1Char(':') + QString::number(port);
}

bool isValidHost(const QString &host)
{
    if (host.isEmpty() || host.size() > 253)
        return false;
    if (parseIpLiteral(host))
        return true;
    if (host.contains(QLatin1Char(':')))
        return false;
    // Dotted digits that are no IPv4 address ("1.2.3", "999.1.1.1") are refused too.
    bool numeric = true;
    for (const QString &label : host.split(QLatin1Char('.'))) {
        if (label.isEmpty() || label.size() > 63 || label.startsWith(QLatin1Char('-')) ||
            label.endsWith(QLatin1Char('-')))
            return false;
        for (const QChar c : label) {
            const char16_t u = c.unicode();
            const bool letter = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z');
            const bool digit = u >= '0' && u <= '9';
            if (!letter && !digit && u != '-' && u != '_')
                return false;
            if (!digit)
                numeric = false;
        }
    }
    return !numeric;
}

std::optional<CheckTarget> parseConnectPath(const QString &text, QString &error)
{
    if (!text.startsWith(QLatin1String("\\\\"))) {
        error = say(Texts::NotPath, text);
        return std::nullopt;
    }
    const QString rest = text.mid(2);
    const qsizetype slash = rest.indexOf(QLatin1Char('\\'));
    CheckTarget target;
    target.port = DefaultCheckPort;
    if (!splitHostPort(slash < 0 ? rest : rest.left(slash), target, error))
        return std::nullopt;
    target.share = slash < 0 ? QString() : rest.mid(slash + 1).trimmed();
    if (target.share.isEmpty()) {
        error = say(Texts::NoShare, text);
        return std::nullopt;
    }
    if (hasControl(target.share)) {
        error = say(Texts::Control);
        return std::nullopt;
    }
    return target;
}

std::optional<CheckTarget> parseHostPort(const QString &text, const QString &share, QString &error)
{
    if (text.isEmpty()) {
        error = say(Texts::Empty);
        return std::nullopt;
    }
    CheckTarget target;
    target.port = DefaultCheckPort;
    target.share = share;
    if (!splitHostPort(text, target, error))
        return std::nullopt;
    return target;
}

std::optional<CheckTarget> parseTarget(const QString &text, const QString &share, QString &error)
{
    if (text.startsWith(QLatin1Char('\\')))
        return parseConnectPath(text, error);
    return parseHostPort(text, share, error);
}
