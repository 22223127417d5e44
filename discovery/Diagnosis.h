#pragma once

#include "PingU.h"
#include "Platform.h"

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

class Discovery;

// Why each drive gives the ADS.INI entries it gives, gathered by discovery as it goes: no
// connection and no wait of its own.

// One port's probe: how it ended and how long it took.
struct PortTrial {
    enum class Outcome {
        Answered, // a connection was made (and closed)
        Refused,  // nothing accepts there, or the server said no
        TimedOut, // no answer within the engine's time-out
        Failed,   // any other failure: the engine's number and text tell
    };
    quint32 port = 0;
    Outcome outcome = Outcome::Failed;
    qint64 milliseconds = 0;
    quint32 error = 0; // the engine's error number; 0 when it answered or the failure had none
    QString text;      // the failure's text
};

// One server's lookup and probes.
struct ServerDiagnosis {
    enum class Stage { Waiting, Probing, Done };
    Stage stage = Stage::Waiting;
    HostLookup lookup;
    std::vector<PortTrial> ports; // the first probe port, then the second when it did not answer
};

// One drive as discovery met it.
struct DriveDiagnosis {
    QString drive; // "X:"
    UINT type = DRIVE_UNKNOWN;
    QString uncPath;    // empty when the drive did not resolve
    DWORD uncError = 0; // then the universal-name call's code
    QString uncErrorText;
    QString server;        // the server in the UNC path
    int serverIndex = -1;  // the server's place in the list; -1 when the drive leads to none
    QString probedThrough; // the drive that named the server: this one or an earlier one
};

// The drives with a root, in letter order, and the servers by their place in the list.
struct DiscoveryReport {
    std::vector<DriveDiagnosis> drives;
    std::vector<ServerDiagnosis> servers;
};

// The engine's answer to a connect, as an outcome.
PortTrial::Outcome OutcomeOfEngineError(quint32 error);

// The diagnosis in German, one row per drive: drive, UNC path, server, address, the two
// probe ports and the result, as the "Details…" dialog and quellmark-ini diagnose show it.
enum class DiagnosisColumn { Drive, UncPath, Server, Address, FirstPort, SecondPort, Result };
QStringList DiagnosisHeader();
QList<QStringList> DiagnosisRows(const DiscoveryReport &report);
// The table as plain text, columns aligned, lines ending in "\n".
QString DiagnosisText(const DiscoveryReport &report);
// The same for scripts, once the run is done: "drives", each with the entries it gives and
// its verdict, "servers" with their lookups and probes, and every entry ("entries").
QJsonObject DiagnosisJson(const Discovery &run);
// A port's cell: what happened there; empty when the port was not reached (yet).
QString PortText(const ServerDiagnosis &server, quint32 port);
// Why ADS.INI cannot hold the key under these names (see profileNameFault), in words:
// "[a]b] wird nicht eingetragen: …"; empty when it can.
QString EntryRefusal(const QString &section, const QString &key);
// Which entries the drive gives, or why it gives none.
QString Verdict(const DiscoveryReport &report, const DriveDiagnosis &drive);

// The progress while servers are probed, as the preview shows it.
QStringList ProgressLines(int done, int total, const QStringList &running);
