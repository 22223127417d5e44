#pragma once

#include "Faults.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What a stand-in server is: its name, the shares it serves and its faults.
struct Scenario {
    QString name = QStringLiteral("STANDIN");
    QStringList shares; // empty: every share is served
    QString owner = QStringLiteral("Müller & Söhne Datentechnik GmbH");
    unsigned seed = 4711;
    struct Workstation {
        QString name, login, application, address, dictionaryUser;
    };
    QList<Workstation> workstations = {
        {QStringLiteral("WS07"), QStringLiteral("jdoe"), QStringLiteral("Warenwirtschaft.exe"),
         QStringLiteral("10.1.0.7"), QString()},
        {QStringLiteral("BUCHHALTUNG-2"), QStringLiteral("mbauer"),
         QStringLiteral("FiBu Jahresabschluss.exe"), QStringLiteral("10.1.0.22"),
         QStringLiteral("fibu")},
        {QStringLiteral("LAGER-PC"), QStringLiteral("kschmidt"),
         QStringLiteral("Lagerverwaltung.exe"), QStringLiteral("10.1.0.31"), QString()},
        {QStringLiteral("TS01"), QStringLiteral("aweiß"), QStringLiteral("Lohn & Gehalt.exe"),
         QStringLiteral("10.1.0.40"), QString()},
    };
    Faults faults;

    // Raises std::runtime_error with a readable message on a malformed file.
    static Scenario fromJson(const QByteArray &json);

    bool serves(const QString &share) const;
};
