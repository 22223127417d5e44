#pragma once

#include "AllowList.h"
#include "CheckVerdict.h"

#include <QString>

// What --listen starts: where it listens, which servers it may probe, and how it judges.
struct ExporterSettings {
    QString address; // an IP literal
    quint16 port = 0;
    AllowList allow;
    QString share;             // for targets given as HOST[:PORT]
    CheckRules rules;          // for ads_check_state
    int timeoutMs = 10000;     // a probe without Prometheus's scrape time-out header
    int timeoutOffsetMs = 500; // left of the header's time to send the answer
    int maxRunning = 64;       // probes at once; more are answered 503
};
