#include "Arguments.h"

#include "WinApi.h"

#include <QCoreApplication>
#include <QFile>

namespace {

struct Texts {
    Q_DECLARE_TR_FUNCTIONS(Console)
};

} // namespace

std::optional<QStringList> decodeArguments([[maybe_unused]] int argc, [[maybe_unused]] char *argv[],
                                           [[maybe_unused]] QString &error)
{
    QStringList decoded = QCoreApplication::arguments().mid(1);
#ifndef QUELLMARK_WIN32
    // Windows hands the command line over as UTF-16; elsewhere it is bytes, and a name
    // that does not decode would come back as another name.
    for (int i = 1; i < argc && i - 1 < decoded.size(); ++i) {
        const QByteArray raw(argv[i]);
        if (QFile::encodeName(decoded[i - 1]) == raw)
            continue;
        QString shown;
        for (const char byte : raw) {
            const auto value = static_cast<unsigned char>(byte);
            shown += value >= 0x20 && value < 0x7F
                         ? QString(QLatin1Char(byte))
                         : QStringLiteral("\\x") + QString::number(value, 16).toUpper();
        }
        error = Texts::tr("das Argument \"%1\" ist in der Kodierung der Dateinamen (%2) kein "
                          "gültiger Text; eine Datei dieses Namens wird nicht bearbeitet")
                    .arg(shown, QLatin1String("UTF-8"));
        return std::nullopt;
    }
#endif
    return decoded;
}
