// What quellmark-check parses from outside, and what it writes of a server's answer.
// Input: a byte that picks the parser, then its text (UTF-8):
// 0: a threshold range: a parsed range alerts alike for a value and stays put when its
//    counts text is parsed again (no crash on any count);
// 1: a target (\\server[:port]\share or HOST[:PORT]): a parsed target's connect path
//    parses back to the same target;
// 2: an allow list followed by a NUL and a target: no crash; a target not parsed is never
//    allowed;
// 3: usage rows as a hostile server might send them (name NUL in-use NUL configured NUL
//    rejected, repeated): every output form keeps its grammar, and a row with a negative
//    or missing count never yields OK.

#include "AllowList.h"
#include "CheckFormats.h"
#include "CheckGrammar.h"
#include "CheckTarget.h"
#include "CheckVerdict.h"
#include "Thresholds.h"

#include <QJsonDocument>
#include <cstdint>
#include <cstring>

namespace {

void require(bool condition)
{
    if (!condition)
        __builtin_trap();
}

std::optional<qint64> countOf(const QByteArray &text)
{
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

void range(const QString &text)
{
    QString error;
    const std::optional<ThresholdRange> parsed = parseThresholdRange(text, error);
    require(parsed.has_value() == error.isEmpty());
    if (!parsed)
        return;
    for (qint64 configured : {qint64(0), qint64(1), qint64(50), qint64(1) << 62})
        parsed->countsText(configured);
    for (double value : {-1.0, 0.0, 50.0, 90.0, 100.0, 1e18})
        require(parsed->alerts(value) == parseThresholdRange(parsed->text, error)->alerts(value));
}

void target(const QString &text)
{
    QString error;
    const std::optional<CheckTarget> parsed = parseTarget(text, DefaultCheckShare, error);
    if (!parsed)
        return;
    const std::optional<CheckTarget> again = parseConnectPath(parsed->connectPath(), error);
    require(again && again->host == parsed->host && again->port == parsed->port &&
            again->share == parsed->share);
}

void allow(const QByteArray &bytes)
{
    const qsizetype nul = bytes.indexOf('\0');
    QString error;
    const std::optional<AllowList> list =
        AllowList::parse(QString::fromUtf8(nul < 0 ? bytes : bytes.left(nul)), error);
    if (!list || nul < 0)
        return;
    const std::optional<CheckTarget> parsed =
        parseTarget(QString::fromUtf8(bytes.mid(nul + 1)), DefaultCheckShare, error);
    if (parsed)
        list->allows(*parsed);
}

void rows(const QByteArray &bytes)
{
    const QList<QByteArray> fields = bytes.split('\0');
    ServerStatus status;
    status.outcome = ServerStatus::Outcome::Read;
    status.connectedUsers = 3;
    bool garbled = false;
    for (qsizetype i = 0; i + 3 < fields.size() && status.resources.size() < 64; i += 4) {
        ResourceUsage usage{QString::fromUtf8(fields[i]), countOf(fields[i + 1]), std::nullopt,
                            countOf(fields[i + 2]), countOf(fields[i + 3])};
        usage.maxUsed = usage.inUse;
        garbled = garbled || !usage.inUse || !usage.configured || *usage.inUse < 0 ||
                  *usage.configured < 0 || (usage.rejected && *usage.rejected < 0);
        status.resources.append(usage);
    }
    const CheckRules rules = CheckRules::defaults();
    const CheckVerdict verdict = judge(status, rules, QDate(2026, 1, 1));
    require(!garbled || verdict.state != CheckState::Ok);
    require(status.resources.isEmpty() ? verdict.state == CheckState::Unknown : true);
    const QString plugin = CheckFormats::pluginText(status, verdict, rules, true);
    require(pluginGrammarFault(plugin).isEmpty());
    const CheckTarget where{QStringLiteral("fs"), 6262, QStringLiteral("c$")};
    require(CheckFormats::checkmkLine(where, status, verdict, rules).count(QLatin1Char('\n')) == 1);
    require(expositionFault(CheckFormats::prometheusText(status, verdict)).isEmpty());
    require(
        expositionFault(CheckFormats::prometheusText(status, verdict, QStringLiteral("fs:6262")))
            .isEmpty());
    require(!QJsonDocument(CheckFormats::json(where, status, verdict)).toJson().isEmpty());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    if (size < 1 || size > 4096)
        return 0;
    const QByteArray text(reinterpret_cast<const char *>(data) + 1, qsizetype(size - 1));
    switch (data[0] % 4) {
    case 0:
        range(QString::fromUtf8(text));
        break;
    case 1:
        target(QString::fromUtf8(text));
        break;
    case 2:
        allow(text);
        break;
    case 3:
        rows(text);
        break;
    }
    return 0;
}
