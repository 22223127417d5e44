#include "FileReplace.h"
#include <QCoreApplication>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(FileReplace)
};

} // namespace

namespace FileReplace {

QString reasonText(const Result &result)
{
    QString reason;
    switch (result.refusal) {
    case Refusal::None:
        break;
    case Refusal::Link:
        reason = Texts::tr("das ist eine symbolische Verknüpfung");
        break;
    case Refusal::HardLink:
        reason = Texts::tr("die Datei hat weitere Namen (harte Verknüpfung)");
        break;
    case Refusal::Folder:
        reason = Texts::tr("das ist ein Ordner");
        break;
    case Refusal::NotAFile:
        reason = Texts::tr("das ist keine gewöhnliche Datei (eine Pipe oder ein Gerät)");
        break;
    case Refusal::TooLarge:
        reason = Texts::tr("das ist keine Datei bis 16 MiB");
        break;
    case Refusal::ReadOnly:
        reason = Texts::tr("die Datei ist schreibgeschützt");
        break;
    case Refusal::AccessDenied:
        reason = Texts::tr("Zugriff verweigert");
        break;
    case Refusal::DiskFull:
        reason = Texts::tr("kein Platz auf dem Datenträger");
        break;
    case Refusal::Busy:
        reason = Texts::tr("ein anderes Programm schreibt gerade hinein");
        break;
    case Refusal::Failed:
        reason = Texts::tr("das System hat das Schreiben abgelehnt");
        break;
    }
    if (!result.detail.isEmpty())
        reason += QStringLiteral(" (") + result.detail + QLatin1Char(')');
    return reason;
}

} // namespace FileReplace
