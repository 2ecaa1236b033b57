#include "controls/frame/ServiceControl.h"

#include "json/JsonBag.h"

#include <optional>

namespace k7 {

void ServiceControl::AddConnectionProperties(PropertyTable& table, const ConnectionForms& forms) {
    const Variant empty{QString()};
    table.Add(QStringLiteral("APIHost"), &ServiceControl::apiHost_, forms.APIHost, empty, forms.APIHostPersistence)
        .Add(QStringLiteral("Company"), &ServiceControl::company_, forms.Others, empty)
        .Add(QStringLiteral("Session"), &ServiceControl::session_, forms.Others, empty)
        .Add(QStringLiteral("Process"), &ServiceControl::process_, forms.Others, empty);
}

QString ServiceControl::ConnectionQuery(QueryPairs middle, QueryPairs trailing) const {
    QString query = Envelope::BuildQuery({{QStringLiteral("process"), process_}});
    if (middle.size() != 0)
        query += QLatin1Char('&') + Envelope::BuildQuery(middle);
    return query + QLatin1Char('&') + SessionQuery({}, trailing);
}

QString ServiceControl::SessionQuery(QueryPairs leading, QueryPairs trailing) const {
    QString query = Envelope::BuildQuery(leading);
    if (!query.isEmpty())
        query += QLatin1Char('&');
    query += Envelope::BuildQuery({{QStringLiteral("session"), session_}, {QStringLiteral("company"), company_}});
    if (trailing.size() != 0)
        query += QLatin1Char('&') + Envelope::BuildQuery(trailing);
    return query;
}

std::shared_ptr<JsonBag> ServiceControl::CallService(const ServiceCall& call) {
    std::optional<RestClient> client;
    if (requestFactory_)
        client.emplace(requestFactory_);
    else
        client.emplace();
    client->SetAPIHost(apiHost_);
    QString text;
    switch (call.Verb) {
    case HttpVerb::Get:
        text = client->GetRequest(call.Path, call.Query);
        break;
    case HttpVerb::Patch:
        text = client->PatchRequest(call.Path, call.Query);
        break;
    case HttpVerb::Post:
        text = client->PostRequest(call.Path, call.Query);
        break;
    case HttpVerb::Delete:
        text = client->DeleteRequest(call.Path, call.Query);
        break;
    }
    auto reply = JsonBag::Create();
    reply->SetJSON(text);
    return reply;
}

bool ServiceControl::RunServiceLoader(const ServiceCall& call, Judgement judgement,
                                      const std::function<void(JsonBag&)>& accepted,
                                      const std::function<void(JsonBag&)>& rejected,
                                      const std::function<void()>& exitStep, FailurePolicy policy) {
    return RunLoader(
        [&] {
            if (apiHost_.isEmpty())
                return false;
            const std::shared_ptr<JsonBag> reply = CallService(call);
            if (Envelope::Accepts(judgement, *reply))
                accepted(*reply);
            else
                rejected(*reply);
            return true;
        },
        exitStep, policy);
}

} // namespace k7
