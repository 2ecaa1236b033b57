#pragma once

#include "service/HttpRequestObject.h"

#include <QByteArray>
#include <QString>

namespace k7 {

// The request object of the controls on a form Qt Designer edits: every request is answered at
// once, inside Designer's own process, from the simulated plant's recorded replies
// (SampleReplies), so an integrator sees each control with believable figures while placing it
// and no form editor ever talks to a plant service. A request nothing was recorded for is
// answered 404.
class SampleRequest : public HttpRequestObject {
public:
    void Open(const QString& method, const QString& url, bool async) override;
    void SetRequestHeader(const QString&, const QString&) override {}
    void Send() override;
    void Abort() override { state_ = 0; }

    int32_t readyState() const override { return state_; }
    int32_t Status() const override { return status_; }
    QString StatusText() const override { return reason_; }
    QString ResponseText() const override { return QString::fromUtf8(body_); }

    void SetTimeouts(int32_t, int32_t, int32_t, int32_t) override {}

private:
    QString method_;
    QByteArray target_; // path and query, as a server receives them
    int32_t state_ = 0;
    int32_t status_ = 0;
    QString reason_;
    QByteArray body_;
};

} // namespace k7
