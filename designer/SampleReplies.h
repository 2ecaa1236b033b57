#pragma once

#include "service/HttpRequestObject.h"

#include <QDate>
#include <QString>

#include <memory>

namespace k7 {

// What a control on a form in Qt Designer is shown: replies of the simulated plant recorded once for
// process P100 and kept in the plugin, so a preview needs no service, no socket and no thread. The
// recording's dates are moved by whole days to today when they are handed out, so a day chart or
// a running clock looks as it would on the day the form is edited.
class SampleReplies {
public:
    struct Reply {
        const char* Path; // without leading slashes; "{process}" for the process's own segment
        const char* Body;
    };

    // The recorded reply for a request path (query ignored), or nullptr.
    static const Reply* Find(const QString& path);
    // A recorded "YYYYMMDDhhmmss" moved to `today` as the recording's day was moved.
    static QString Moved(const QString& recorded, const QDate& today);
    // A request object that answers from the recording at once, whatever the address's host.
    static std::unique_ptr<HttpRequestObject> NewRequest();

    // The day the recording was made.
    static QDate RecordedDay() { return QDate(2026, 12, 7); }
};

} // namespace k7
