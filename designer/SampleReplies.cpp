#include "SampleReplies.h"

#include <QUrl>
#include <QUrlQuery>

namespace k7 {

namespace {

QByteArray PathOf(const QByteArray& target) {
    const qsizetype question = target.indexOf('?');
    return question < 0 ? target : target.first(question);
}

QString ProcessOf(const QByteArray& target) {
    const qsizetype question = target.indexOf('?');
    if (question < 0)
        return {};
    return QUrlQuery(QString::fromUtf8(target.mid(question + 1))).queryItemValue(QStringLiteral("process"));
}

} // namespace

QByteArray SampleReplies::TargetOf(const QString& url) {
    const QUrl address(url);
    QByteArray target = address.path(QUrl::FullyEncoded).toUtf8();
    if (address.hasQuery())
        target += '?' + address.query(QUrl::FullyEncoded).toUtf8();
    return target;
}

const RecordedReply* SampleReplies::Find(std::span<const RecordedReply> replies, const QString& method,
                                         const QByteArray& target) {
    const QByteArray path = PathOf(target);
    const QString process = ProcessOf(target);
    const RecordedReply* samePath = nullptr;
    const RecordedReply* sameProcess = nullptr;
    for (const RecordedReply& reply : replies) {
        if (method != QLatin1String(reply.Method))
            continue;
        const QByteArray recorded(reply.Target);
        if (recorded == target)
            return &reply;
        if (PathOf(recorded) != path)
            continue;
        if (samePath == nullptr)
            samePath = &reply;
        if (sameProcess == nullptr && ProcessOf(recorded) == process)
            sameProcess = &reply;
    }
    return sameProcess != nullptr ? sameProcess : samePath;
}

std::vector<std::pair<QString, QString>> SampleReplies::WindowDates(std::span<const RecordedDate> dates,
                                                                    const QString& rule) {
    std::vector<std::pair<QString, QString>> window;
    for (const RecordedDate& date : dates)
        if (rule == QLatin1String(date.Rule))
            window.emplace_back(QString::fromUtf8(date.Property), QString::fromUtf8(date.Value));
    return window;
}

} // namespace k7
