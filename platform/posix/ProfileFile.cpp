#include "ProfileFile.h"

#include "ProfileText.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>
#include <QStringEncoder>

namespace {

enum class Encoding { Local8Bit, Utf8Bom, Utf16LeBom };

struct Decoded {
    Encoding encoding = Encoding::Local8Bit;
    QString text;
};

std::optional<Decoded> decode(const QByteArray &bytes)
{
    Decoded decoded;
    if (bytes.startsWith("\xFF\xFE")) {
        decoded.encoding = Encoding::Utf16LeBom;
        QStringDecoder decoder(QStringConverter::Utf16LE);
        decoded.text = decoder(bytes.mid(2));
        if (decoder.hasError())
            return std::nullopt;
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        decoded.encoding = Encoding::Utf8Bom;
        QStringDecoder decoder(QStringConverter::Utf8);
        decoded.text = decoder(bytes.mid(3));
        if (decoder.hasError())
            return std::nullopt;
    } else {
        decoded.text = QString::fromLocal8Bit(bytes);
        // Bytes the locale cannot decode would not survive the round trip: refuse.
        if (decoded.text.toLocal8Bit() != bytes)
            return std::nullopt;
    }
    return decoded;
}

QByteArray encode(const Decoded &decoded)
{
    switch (decoded.encoding) {
    case Encoding::Utf16LeBom: {
        QStringEncoder encoder(QStringConverter::Utf16LE);
        return QByteArray("\xFF\xFE") + QByteArray(encoder(decoded.text));
    }
    case Encoding::Utf8Bom:
        return QByteArray("\xEF\xBB\xBF") + decoded.text.toUtf8();
    case Encoding::Local8Bit:
        break;
    }
    return decoded.text.toLocal8Bit();
}

} // namespace

bool writeProfileString(const QString &fileName, const QString &section,
                        const std::optional<QString> &key, const std::optional<QString> &value)
{
    if (fileName.isEmpty() || QFileInfo(fileName).isDir())
        return false;

    Decoded current;
    QFile existing(fileName);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return false;
        const std::optional<Decoded> decoded = decode(existing.readAll());
        existing.close();
        if (!decoded)
            return false;
        current = *decoded;
    }

    const std::optional<QString> changed = applyProfileWrite(current.text, section, key, value);
    if (!changed)
        return false;
    if (*changed == current.text && (existing.exists() || changed->isEmpty()))
        return true;
    current.text = *changed;

    // QSaveFile writes beside the target and renames over it on commit, keeping the
    // target's permissions; a failed write leaves the old file in place.
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = encode(current);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

namespace {

std::optional<QString> optionalWide(const WideChar *text)
{
    return text ? std::optional<QString>(QString::fromUtf16(text)) : std::nullopt;
}

} // namespace

BOOL writePrivateProfileStringW(const WideChar *appName, const WideChar *keyName,
                                const WideChar *string, const WideChar *fileName)
{
    if (!appName)
        return (!keyName && !string) ? TRUE : FALSE;
    if (!fileName)
        return FALSE;
    return writeProfileString(QString::fromUtf16(fileName), QString::fromUtf16(appName),
                              optionalWide(keyName), optionalWide(string))
               ? TRUE
               : FALSE;
}
