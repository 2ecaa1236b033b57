#include "frame/requests/ServiceExchange_p.h"

#include "json/JsonBag.h"

namespace k7 {

ServiceReply ExchangeWithService(const RestClient::RequestFactory& factory, const QString& apiHost,
                                 HttpVerb verb, const QString& path, const QString& query,
                                 const std::optional<QString>& idempotencyKey) {
    ServiceReply reply;
    reply.Url = RestClient::RequestAddress(apiHost, path, query);
    reply.Sent = QDateTime::currentDateTime();
    RestClient client(factory);
    client.SetAPIHost(apiHost);
    if (idempotencyKey)
        client.SetRequestHeader(QStringLiteral("Idempotency-Key"), *idempotencyKey);
    reply.Text = SendThrough(client, verb, path, query);
    reply.Status = client.LastStatus();
    reply.Failure = client.LastFailure();
    return reply;
}

QString ReplyMessage(const JsonBag& reply) {
    const Variant message(QStringLiteral("message"));
    if (reply.Exists(message) && !reply.Item(message).IsNull() && !reply.ItemIsJSON(message))
        return reply.Item(message).ToText().trimmed();
    return {};
}

} // namespace k7
