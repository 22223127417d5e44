#include "FileReplace.h"

namespace FileReplace {

QString reasonText(const Result &result)
{
    QString reason;
    switch (result.refusal) {
    case Refusal::None:
        break;
    case Refusal::Link:
        reason = QStringLiteral("das ist eine symbolische Verknüpfung");
        break;
    case Refusal::HardLink:
        reason = QStringLiteral("die Datei hat weitere Namen (harte Verknüpfung)");
        break;
    case Refusal::Folder:
        reason = QStringLiteral("das ist ein Ordner");
        break;
    case Refusal::NotAFile:
        reason = QStringLiteral("das ist keine gewöhnliche Datei (eine Pipe oder ein Gerät)");
        break;
    case Refusal::TooLarge:
        reason = QStringLiteral("das ist keine Datei bis 16 MiB");
        break;
    case Refusal::ReadOnly:
        reason = QStringLiteral("die Datei ist schreibgeschützt");
        break;
    case Refusal::AccessDenied:
        reason = QStringLiteral("Zugriff verweigert");
        break;
    case Refusal::DiskFull:
        reason = QStringLiteral("kein Platz auf dem Datenträger");
        break;
    case Refusal::Busy:
        reason = QStringLiteral("ein anderes Programm schreibt gerade hinein");
        break;
    case Refusal::Failed:
        reason = QStringLiteral("das System hat das Schreiben abgelehnt");
        break;
    }
    if (!result.detail.isEmpty())
        reason += QStringLiteral(" (") + result.detail + QLatin1Char(')');
    return reason;
}

} // namespace FileReplace
