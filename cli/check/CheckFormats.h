#pragma once

#include "CheckTarget.h"
#include "CheckVerdict.h"
#include "ServerStatus.h"

#include <QByteArray>
#include <QJsonObject>
#include <QString>

// The forms a check's result takes: the Monitoring Plugins' status line, a Checkmk local
// check line, Prometheus's text exposition format and a JSON document. Each ends with a
// newline.
namespace CheckFormats {

// "ADS STATE - summary | perfdata", then with verbose a line per resource past its threshold.
QString pluginText(const ServerStatus &status, const CheckVerdict &verdict, const CheckRules &rules,
                   bool verbose);
// "STATE ADS_host_port perfdata summary"
QString checkmkLine(const CheckTarget &target, const ServerStatus &status,
                    const CheckVerdict &verdict, const CheckRules &rules);
// The metrics of one server; with serverLabel, every sample carries server="host:port" (a
// textfile collector merges many files), without it the scraper names the target.
QByteArray prometheusText(const ServerStatus &status, const CheckVerdict &verdict,
                          const QString &serverLabel = {});
// Every field each procedure returned, and what the check made of them.
QJsonObject json(const CheckTarget &target, const ServerStatus &status,
                 const CheckVerdict &verdict);

// A label value in the exposition format: backslash, quote and line feed escaped, control
// characters dropped.
QString promLabelValue(const QString &text);

} // namespace CheckFormats
