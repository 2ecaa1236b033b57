#include "HostFile.h"

#include <QFile>

#include <cstdio>
#include <stdexcept>

namespace k7::cli {

QByteArray HostFile::Read(const QString& path, const QString& what) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error(
            QStringLiteral("cannot read %1: %2").arg(what, file.errorString()).toStdString());
    // At most one byte past the limit: the size a device or a pipe reports says nothing.
    const QByteArray bytes = file.read(kLargest + 1);
    if (bytes.size() > kLargest)
        throw std::runtime_error(
            QStringLiteral("%1 is larger than %2 MiB").arg(what).arg(kLargest / (1024 * 1024)).toStdString());
    return bytes;
}

void HostFile::Write(const QString& target, const QByteArray& bytes) {
    if (target == QLatin1String("-")) {
        std::fwrite(bytes.constData(), 1, static_cast<size_t>(bytes.size()), stdout);
        std::fflush(stdout);
        return;
    }
    QFile file(target);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        throw std::runtime_error(
            QStringLiteral("cannot write %1: %2").arg(target, file.errorString()).toStdString());
}

} // namespace k7::cli
