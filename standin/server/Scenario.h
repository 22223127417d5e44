#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// Faults a test switches on to see how clients cope; counters count down as they strike.
struct Faults {
    int refuseConnects = 0;  // the next N hellos are refused
    int delayMs = 0;         // every answer waits this long
    int closeMidAnswer = 0;  // the next N answers are cut off halfway and the link closed
};

// What a stand-in server is: its name, the shares it serves and its faults.
struct Scenario {
    QString name = QStringLiteral("STANDIN");
    QStringList shares; // empty: every share is served
    Faults faults;

    // Raises std::runtime_error with a readable message on a malformed file.
    static Scenario fromJson(const QByteArray &json);
    // Applies a fault change sent while the server runs; the same keys as "faults".
    void applyControl(const QByteArray &json);

    bool serves(const QString &share) const;
};
