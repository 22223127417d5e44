#include "IpLiteral.h"

#include <QStringList>
#include <algorithm>
#include <vector>

namespace {

std::optional<std::array<quint8, 4>> ipv4(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    std::array<quint8, 4> bytes{};
    for (int i = 0; i < 4; ++i) {
        const QString &part = parts[i];
        if (part.isEmpty() || part.size() > 3 || (part.size() > 1 && part.startsWith(u'0')))
            return std::nullopt;
        int value = 0;
        for (const QChar c : part) {
            if (c < u'0' || c > u'9')
                return std::nullopt;
            value = value * 10 + (c.unicode() - u'0');
        }
        if (value > 255)
            return std::nullopt;
        bytes[std::size_t(i)] = quint8(value);
    }
    return bytes;
}

// Groups of one to four hex digits, separated by single colons; the last may be an IPv4
// address when allowed. Appends two bytes per group.
bool hexGroups(const QString &text, bool lastMayBeV4, std::vector<quint8> &out)
{
    if (text.isEmpty())
        return true;
    const QStringList groups = text.split(QLatin1Char(':'));
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QString &group = groups[i];
        if (lastMayBeV4 && i == groups.size() - 1 && group.contains(QLatin1Char('.'))) {
            const auto v4 = ipv4(group);
            if (!v4)
                return false;
            out.insert(out.end(), v4->begin(), v4->end());
            return true;
        }
        if (group.isEmpty() || group.size() > 4)
            return false;
        bool ok = false;
        const uint value = group.toUInt(&ok, 16);
        if (!ok || group.startsWith(u'+') || group.startsWith(u'-'))
            return false;
        out.push_back(quint8(value >> 8));
        out.push_back(quint8(value & 0xff));
    }
    return true;
}

} // namespace

bool IpLiteral::isIn(const IpLiteral &network, int prefix) const
{
    if (v6 != network.v6 || prefix < 0 || prefix > bits())
        return false;
    for (int bit = 0; bit < prefix; ++bit) {
        const quint8 mask = quint8(0x80 >> (bit % 8));
        if ((bytes[std::size_t(bit / 8)] & mask) != (network.bytes[std::size_t(bit / 8)] & mask))
            return false;
    }
    return true;
}

std::optional<IpLiteral> parseIpLiteral(const QString &text)
{
    IpLiteral address;
    if (!text.contains(QLatin1Char(':'))) {
        const auto v4 = ipv4(text);
        if (!v4)
            return std::nullopt;
        std::copy(v4->begin(), v4->end(), address.bytes.begin());
        return address;
    }
    address.v6 = true;
    if (text.size() > 45)
        return std::nullopt;
    const qsizetype gap = text.indexOf(QStringLiteral("::"));
    if (gap >= 0 && text.indexOf(QStringLiteral("::"), gap + 1) >= 0)
        return std::nullopt;
    std::vector<quint8> head, tail;
    if (gap < 0) {
        if (!hexGroups(text, true, head) || head.size() != 16)
            return std::nullopt;
    } else {
        if (!hexGroups(text.left(gap), false, head) || !hexGroups(text.mid(gap + 2), true, tail) ||
            head.size() + tail.size() > 14)
            return std::nullopt;
    }
    std::copy(head.begin(), head.end(), address.bytes.begin());
    std::copy(tail.begin(), tail.end(), address.bytes.end() - std::ptrdiff_t(tail.size()));
    return address;
}
