#pragma once

#include <QByteArray>
#include <QString>

#include <span>
#include <utility>
#include <vector>

namespace k7 {

// One exchange with the simulated plant's model, recorded when the plugin is built
// (k7_designer_sample): the request as a server receives it and the model's reply.
struct RecordedReply {
    const char* Method;
    const char* Target; // path and query
    int Status;
    const char* Reason;
    const char* Body;
};

// One date of a window rule ("shift", "12h", "now") at the moment the sample was recorded.
struct RecordedDate {
    const char* Rule;
    const char* Property;
    const char* Value;
};

// The figures the previews show: what the plant's model answered the controls configured as the
// demo configures them, for each process, at one fixed moment. Recorded rather than computed in
// Designer's process, so the plugin carries no plant and no second copy of the library's inside.
class SampleReplies {
public:
    // The address the previews point the controls at; nothing is ever sent there.
    static QString BaseUrl() { return QStringLiteral("http://sample.k7.invalid/"); }

    // The path and query of `url`, as a server receives them: what a reply is recorded under.
    static QByteArray TargetOf(const QString& url);

    // The reply for `method` and `target` among `replies`: the one to that very request, else one
    // to the same path for the same process (the form sets other dates or options), else one to
    // the same path; nullptr when nothing was recorded for the path.
    static const RecordedReply* Find(std::span<const RecordedReply> replies, const QString& method,
                                     const QByteArray& target);
    static const RecordedReply* Find(const QString& method, const QByteArray& target) {
        return Find(Recorded(), method, target);
    }

    // StartDate and EndDate of window `rule` among `dates`: the dates the demo sets at the sample's
    // moment.
    static std::vector<std::pair<QString, QString>> WindowDates(std::span<const RecordedDate> dates,
                                                                const QString& rule);
    static std::vector<std::pair<QString, QString>> WindowDates(const QString& rule) {
        return WindowDates(RecordedDates(), rule);
    }

    // The recording, generated at build time.
    static std::span<const RecordedReply> Recorded();
    static std::span<const RecordedDate> RecordedDates();
};

} // namespace k7
