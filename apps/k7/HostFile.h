#pragma once

#include <QByteArray>
#include <QString>

namespace k7::cli {

// A file a k7 command reads whole because a person wrote it for the host (a screen file, a form
// from Designer). Such a file is a few kilobytes; anything larger than kLargest is refused rather
// than read, since reading it whole (a device such as /dev/zero never ends) would only exhaust
// memory.
class HostFile {
public:
    static constexpr qint64 kLargest = 4 * 1024 * 1024;

    // The file's bytes; throws std::runtime_error naming `what` ("screen file PATH") when it cannot
    // be read or is larger than kLargest.
    static QByteArray Read(const QString& path, const QString& what);
    // Writes `bytes` to the file `target`, replacing it, or to standard output when `target` is
    // "-"; throws std::runtime_error naming the file when it cannot be written.
    static void Write(const QString& target, const QByteArray& bytes);
};

} // namespace k7::cli
