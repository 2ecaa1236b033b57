#include "service/ReplyText_p.h"

#include <QList>
#include <QStringDecoder>

#include <array>

namespace k7 {

namespace {

// Code points of windows-1252 bytes 0x80..0x9F (the rest are Latin-1); 0 marks an unassigned byte,
// which is read as the C1 control of the same value.
constexpr std::array<char16_t, 32> kWindows1252High{
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

QString DecodeWindows1252(const QByteArray& bytes) {
    QString text(bytes.size(), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char byte : bytes) {
        const auto value = static_cast<unsigned char>(byte);
        const char16_t mapped = value >= 0x80 && value <= 0x9F ? kWindows1252High[value - 0x80] : 0;
        *out++ = QChar(mapped != 0 ? mapped : char16_t(value));
    }
    return text;
}

QString DecodeWith(QStringConverter::Encoding encoding, const QByteArray& bytes) {
    // Default flags drop a leading byte-order mark, as the platform objects do.
    QStringDecoder decoder(encoding);
    return decoder.decode(bytes);
}

bool IsOneOf(const QByteArray& name, std::initializer_list<const char*> names) {
    for (const char* candidate : names)
        if (name == candidate)
            return true;
    return false;
}

} // namespace

QByteArray ReplyText::CharsetOf(QByteArrayView contentType) {
    const QList<QByteArray> parts = contentType.toByteArray().split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray parameter = parts[i].trimmed();
        const qsizetype equals = parameter.indexOf('=');
        if (equals < 0 || parameter.left(equals).trimmed().toLower() != "charset")
            continue;
        QByteArray value = parameter.mid(equals + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value.toLower();
    }
    return {};
}

QString ReplyText::DecodeBody(const QByteArray& body, QByteArrayView contentType) {
    const QByteArray charset = CharsetOf(contentType);
    if (charset.isEmpty()) {
        const auto marked = QStringConverter::encodingForData(body);
        return DecodeWith(marked.value_or(QStringConverter::Utf8), body);
    }
    if (IsOneOf(charset, {"utf-8", "utf8"}))
        return DecodeWith(QStringConverter::Utf8, body);
    if (IsOneOf(charset, {"iso-8859-1", "iso8859-1", "iso_8859-1", "latin1", "l1", "us-ascii", "ascii"}))
        return QString::fromLatin1(body);
    if (IsOneOf(charset, {"windows-1252", "cp1252"}))
        return DecodeWindows1252(body);
    if (const auto named = QStringConverter::encodingForName(charset.constData()))
        return DecodeWith(*named, body);
    return DecodeWith(QStringConverter::Utf8, body);
}

QString ReplyText::DecodeReasonPhrase(QByteArrayView phrase) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString text = utf8.decode(phrase);
    return utf8.hasError() ? QString::fromLatin1(phrase) : text;
}

} // namespace k7
