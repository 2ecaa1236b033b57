#include "frame/requests/Payload_p.h"

#include "core/RuntimeError.h"
#include "json/JsonBag.h"

namespace k7 {

std::shared_ptr<JsonBag> Payload(const JsonBag& reply) {
    std::shared_ptr<JsonBag> data = reply.Item(Variant(QStringLiteral("data"))).As<JsonBag>();
    if (!data)
        Raise(ErrorNumber::ObjectRequired);
    return data;
}

} // namespace k7
