#include "AllowList.h"

#include <QRegularExpression>
#include <algorithm>

namespace {

namespace Texts {
const char *const Empty = "--allow needs host names, addresses or networks";
const char *const BadEntry = "%1 in --allow is no host name, address or network";
const char *const BadPort = "%1 in --allow names no port from 1 to 65535";
} // namespace Texts

constexpr quint16 ProbePorts[] = {6262, 2001};

} // namespace

std::optional<AllowList> AllowList::parse(const QString &text, QString &error)
{
    static const QRegularExpression separators(QStringLiteral("[,\\s]+"));
    const QStringList items = text.split(separators, Qt::SkipEmptyParts);
    if (items.isEmpty()) {
        error = QString::fromLatin1(Texts::Empty);
        return std::nullopt;
    }
    AllowList list;
    for (const QString &item : items) {
        Entry entry;
        QString body = item;
        // A port after the last colon, where the colon cannot be part of an IPv6 address.
        const bool bracketed = item.startsWith(QLatin1Char('['));
        if (bracketed) {
            const qsizetype close = item.indexOf(QLatin1Char(']'));
            if (close < 0) {
                error = QString::fromLatin1(Texts::BadEntry).arg(item);
                return std::nullopt;
            }
            body = item.mid(1, close - 1);
            const QString rest = item.mid(close + 1);
            if (!rest.isEmpty()) {
                bool ok = false;
                const uint port = rest.startsWith(QLatin1Char(':')) ? rest.mid(1).toUInt(&ok) : 0;
                if (!ok || port == 0 || port > 65535) {
                    error = QString::fromLatin1(Texts::BadPort).arg(item);
                    return std::nullopt;
                }
                entry.port = quint16(port);
            }
        } else if (item.count(QLatin1Char(':')) == 1) {
            body = item.section(QLatin1Char(':'), 0, 0);
            bool ok = false;
            const QString portText = item.section(QLatin1Char(':'), 1);
            const uint port = portText.toUInt(&ok);
            if (!ok || port == 0 || port > 65535 || portText.startsWith(QLatin1Char('+'))) {
                error = QString::fromLatin1(Texts::BadPort).arg(item);
                return std::nullopt;
            }
            entry.port = quint16(port);
        }
        const qsizetype slash = body.indexOf(QLatin1Char('/'));
        const std::optional<IpLiteral> address =
            parseIpLiteral(slash < 0 ? body : body.left(slash));
        if (address) {
            entry.network = *address;
            entry.prefix = address->bits();
            if (slash >= 0) {
                bool ok = false;
                const QString bits = body.mid(slash + 1);
                entry.prefix = bits.toInt(&ok, 10);
                if (!ok || bits.startsWith(QLatin1Char('+')) || entry.prefix < 0 ||
                    entry.prefix > address->bits()) {
                    error = QString::fromLatin1(Texts::BadEntry).arg(item);
                    return std::nullopt;
                }
            }
        } else if (slash < 0 && isValidHost(body)) {
            entry.name = body;
        } else {
            error = QString::fromLatin1(Texts::BadEntry).arg(item);
            return std::nullopt;
        }
        list.m_entries.append(entry);
    }
    return list;
}

bool AllowList::allows(const CheckTarget &target) const
{
    const std::optional<IpLiteral> address = parseIpLiteral(target.host);
    for (const Entry &entry : m_entries) {
        const bool portAllowed = entry.port
                                     ? *entry.port == target.port
                                     : std::find(std::begin(ProbePorts), std::end(ProbePorts),
                                                 target.port) != std::end(ProbePorts);
        if (!portAllowed)
            continue;
        if (!entry.name.isEmpty()) {
            if (!address && entry.name.compare(target.host, Qt::CaseInsensitive) == 0)
                return true;
        } else if (address && address->isIn(entry.network, entry.prefix)) {
            return true;
        }
    }
    return false;
}
