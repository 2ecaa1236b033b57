#pragma once

#include "frame/requests/HttpVerb.h"
#include "service/RestClient.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <optional>

namespace k7 {

class JsonBag;

// One request to the plant's service as it went over the wire, before anyone parsed or judged it.
struct ServiceReply {
    QString Url;        // the whole address, as sent
    QString Text;       // the reply's body, or the REST client's failure envelope
    int32_t Status = 0; // the reply's HTTP status; 0 when none came
    QString Failure;    // the envelope's failure text; "" after a 200 reply
    QDateTime Sent;     // when it went out
};

// Sends one request to `apiHost` with a fresh REST client and hands back what came. `idempotencyKey`,
// when given, goes as the Idempotency-Key header (writes). Never raises for what the service or
// the network does. Touches nothing of a control, so a worker thread may run it (the factory then
// runs on that thread too).
ServiceReply ExchangeWithService(const RestClient::RequestFactory& factory, const QString& apiHost,
                                 HttpVerb verb, const QString& path, const QString& query,
                                 const std::optional<QString>& idempotencyKey = std::nullopt);

// A reply's "message" as hosts are shown it: its text without the line end the platform's failure
// descriptions carry; "" when the reply has none, a null one or an object or array there.
QString ReplyMessage(const JsonBag& reply);

} // namespace k7
