#include "SampleRequest.h"

#include "plant/DrawingService.h"
#include "plant/PlantModel.h"
#include "plant/PlantReplies.h"

#include "core/Clock_p.h"

#include <QUrl>

namespace k7 {

namespace {

// One plant for the whole Designer session, opened when the first preview asks, so that every
// control on every form shows the same plant.
struct SamplePlant {
    plant::PlantModel Model{20261207, Clock::Now()};
    plant::PlantReplies Replies{Model};
    plant::DrawingService Drawing{Model};

    static SamplePlant& Get() {
        static SamplePlant plant;
        return plant;
    }
};

} // namespace

QString SampleRequest::BaseUrl() {
    return QStringLiteral("http://sample.k7.invalid/");
}

void SampleRequest::Open(const QString& method, const QString& url, bool) {
    const QUrl address(url);
    method_ = method;
    target_ = address.path(QUrl::FullyEncoded).toUtf8();
    if (address.hasQuery())
        target_ += '?' + address.query(QUrl::FullyEncoded).toUtf8();
    state_ = 1;
}

void SampleRequest::Send() {
    SamplePlant& plant = SamplePlant::Get();
    const QString path =
        plant::PlantReplies::NormalisePath(QString::fromUtf8(target_).section(QLatin1Char('?'), 0, 0));
    const plant::PlantReply reply = plant::DrawingService::Serves(path)
                                        ? plant.Drawing.Answer(method_, target_, Clock::Now())
                                        : plant.Replies.Answer(method_, target_, Clock::Now());
    status_ = reply.Status;
    reason_ = reply.Reason;
    body_ = reply.Body;
    state_ = 4;
}

} // namespace k7
