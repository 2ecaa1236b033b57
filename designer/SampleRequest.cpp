#include "SampleRequest.h"

#include "SampleReplies.h"

namespace k7 {

void SampleRequest::Open(const QString& method, const QString& url, bool) {
    method_ = method;
    target_ = SampleReplies::TargetOf(url);
    state_ = 1;
}

void SampleRequest::Send() {
    if (const RecordedReply* reply = SampleReplies::Find(method_, target_)) {
        status_ = reply->Status;
        reason_ = QString::fromUtf8(reply->Reason);
        body_ = reply->Body;
    } else {
        status_ = 404;
        reason_ = QStringLiteral("Not Found");
        body_.clear();
    }
    state_ = 4;
}

} // namespace k7
