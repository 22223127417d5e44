#include "ProfileBytes.h"

#include <QStringDecoder>

namespace {

using Encoding = ProfileBytes::Encoding;

// Qt's plain conversions drop a U+FEFF at the start of what they are given (QString::
// fromUtf8, fromLocal8Bit, even fromUtf16): a key that starts with one would not read back.
// A decoder keeps an incomplete character at the end for a next call that never comes; the
// bytes are all there is, so it becomes a replacement character (Stateless): dropped, the
// name of an unclosed "[section" at the end changed once a line end followed it.
QString decode(Encoding encoding, const QByteArray &bytes)
{
    if (encoding == Encoding::Latin1)
        return QString::fromLatin1(bytes);
    const QStringConverter::Encoding converter = encoding == Encoding::Utf8 ? QStringConverter::Utf8
                                                 : encoding == Encoding::Utf16Le
                                                     ? QStringConverter::Utf16LE
                                                     : QStringConverter::System;
    QStringDecoder decoder(converter, QStringConverter::Flag::ConvertInitialBom |
                                          QStringConverter::Flag::Stateless);
    return decoder(bytes);
}

std::optional<QByteArray> encode(Encoding encoding, const QString &text)
{
    switch (encoding) {
    case Encoding::Local8Bit: {
        QByteArray bytes = text.toLocal8Bit();
        if (decode(Encoding::Local8Bit, bytes) != text)
            return std::nullopt;
        return bytes;
    }
    case Encoding::Latin1:
        for (const QChar c : text)
            if (c.unicode() > 0xFF)
                return std::nullopt;
        return text.toLatin1();
    case Encoding::Utf8:
        return text.toUtf8();
    case Encoding::Utf16Le: {
        QByteArray bytes(text.size() * 2, '\0');
        for (qsizetype i = 0; i < text.size(); ++i) {
            const char16_t unit = text[i].unicode();
            bytes[2 * i] = char(unit & 0xFF);
            bytes[2 * i + 1] = char(unit >> 8);
        }
        return bytes;
    }
    }
    return std::nullopt;
}

// Splits the body into lines at CR, LF and CRLF, in bytes (8-bit) or code units (UTF-16),
// and decodes the body in one pass: a decoder that sees each line alone loses what it
// carries from one line to the next (a stateful 8-bit encoding's shift state).
QList<ProfileLine> splitLines(Encoding encoding, const QByteArray &body)
{
    const qsizetype unit = encoding == Encoding::Utf16Le ? 2 : 1;
    const auto at = [&](qsizetype i) -> char16_t {
        return unit == 1 ? char16_t(uchar(body[i]))
                         : char16_t(uchar(body[i]) | (uchar(body[i + 1]) << 8));
    };
    QList<ProfileLine> lines;
    const qsizetype units = body.size() / unit * unit;
    qsizetype start = 0;
    for (qsizetype i = 0; i < units; i += unit) {
        const char16_t c = at(i);
        if (c != u'\r' && c != u'\n')
            continue;
        const bool crlf = c == u'\r' && i + unit < units && at(i + unit) == u'\n';
        const qsizetype endLength = crlf ? 2 * unit : unit;
        lines.append(ProfileLine{QString(), crlf ? QStringLiteral("\r\n") : QString(QChar(c)),
                                 body.mid(start, i - start), body.mid(i, endLength)});
        i += endLength - unit;
        start = i + unit;
    }
    if (start < units)
        lines.append(
            ProfileLine{QString(), QString(), body.mid(start, units - start), QByteArray()});

    const QList<ProfileLine> decoded = splitProfileText(decode(encoding, body.left(units)));
    bool aligned = decoded.size() == lines.size();
    for (qsizetype i = 0; aligned && i < lines.size(); ++i)
        aligned = decoded[i].end == lines[i].end;
    for (qsizetype i = 0; i < lines.size(); ++i)
        // A decoder that turned bytes into line breaks of its own (or swallowed one) cannot
        // be lined up with the bytes; then each line is decoded alone.
        lines[i].text = aligned ? decoded[i].text : decode(encoding, *lines[i].raw);
    return lines;
}

} // namespace

ProfileBytes ProfileBytes::read(const QByteArray &bytes)
{
    ProfileBytes file;
    QByteArray body = bytes;
    if (bytes.startsWith("\xFF\xFE")) {
        file.encoding = Encoding::Utf16Le;
        file.mark = bytes.left(2);
    } else if (bytes.startsWith("\xEF\xBB\xBF")) {
        file.encoding = Encoding::Utf8;
        file.mark = bytes.left(3);
    } else {
        // Bytes the locale cannot decode and encode back (a Windows-made file in a UTF-8
        // locale, say) are read as Latin-1, which keeps each of them.
        const std::optional<QByteArray> again =
            encode(Encoding::Local8Bit, decode(Encoding::Local8Bit, bytes));
        file.encoding = again == bytes ? Encoding::Local8Bit : Encoding::Latin1;
    }
    body.remove(0, file.mark.size());
    if (file.encoding == Encoding::Utf16Le && body.size() % 2 != 0) {
        file.tail = body.right(1);
        body.chop(1);
    }
    file.lines = splitLines(file.encoding, body);
    return file;
}

std::optional<QByteArray> ProfileBytes::bytes() const
{
    QByteArray out = mark;
    for (const ProfileLine &line : lines) {
        if (line.raw) {
            out += *line.raw;
        } else {
            const std::optional<QByteArray> text = encode(encoding, line.text);
            if (!text)
                return std::nullopt;
            out += *text;
        }
        if (line.rawEnd)
            out += *line.rawEnd;
        else
            out += *encode(encoding, line.end);
    }
    return out + tail;
}
