#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace k7 {

// Turns the bytes of a reply into text the way the platform's request objects do: the body by the
// charset its Content-Type names (UTF-8 when none is named, or what a byte-order mark says), the
// reason phrase as UTF-8 when it is valid UTF-8 and as Latin-1 otherwise.
class ReplyText {
public:
    // Decodes `body`. Understood charsets: utf-8, iso-8859-1 and its aliases (latin1, l1),
    // us-ascii (bytes above 127 read as Latin-1), windows-1252, utf-16/-le/-be and whatever else
    // Qt's converters know by name; an unknown charset falls back to UTF-8.
    static QString DecodeBody(const QByteArray& body, QByteArrayView contentType);

    static QString DecodeReasonPhrase(QByteArrayView phrase);

    // The charset parameter of a Content-Type value, lower-cased and unquoted ("" when absent).
    static QByteArray CharsetOf(QByteArrayView contentType);
};

} // namespace k7
