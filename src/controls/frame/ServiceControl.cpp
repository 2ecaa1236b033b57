#include "controls/frame/ServiceControl.h"

#include "controls/frame/WriteJournal.h"
#include "controls/frame/WriteSender.h"
#include "core/RuntimeError.h"
#include "json/JsonBag.h"

#include <optional>

namespace k7 {

void ServiceControl::AddConnectionProperties(PropertyTable& table, const ConnectionForms& forms) {
    const Variant empty{QString()};
    table
        .Add(QStringLiteral("APIHost"), &ServiceControl::apiHost_, forms.APIHost, empty,
             forms.APIHostPersistence)
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
    query +=
        Envelope::BuildQuery({{QStringLiteral("session"), session_}, {QStringLiteral("company"), company_}});
    if (trailing.size() != 0)
        query += QLatin1Char('&') + Envelope::BuildQuery(trailing);
    return query;
}

std::shared_ptr<JsonBag> ServiceControl::CallService(const ServiceCall& call) {
    if (call.Verb != HttpVerb::Get)
        Raise(ErrorNumber::InvalidProcedureCall);
    std::optional<RestClient> client;
    if (requestFactory_)
        client.emplace(requestFactory_);
    else
        client.emplace();
    client->SetAPIHost(apiHost_);
    const QString text = SendThrough(*client, call.Verb, call.Path, call.Query);
    auto reply = JsonBag::Create();
    reply->SetJSON(text);
    return reply;
}

void ServiceControl::RunWrite(const ServiceCall& call, Judgement judgement,
                              const std::function<void(JsonBag&)>& accepted,
                              const std::function<void(JsonBag&)>& rejected) {
    WriteOutcome write =
        WriteSender::NewWrite(call.Verb, RestClient::RequestAddress(apiHost_, call.Path, call.Query));
    // Entered before it is sent: a terminal that dies while the request is out still has it.
    const std::shared_ptr<WriteJournal> journal = WriteJournal::Active();
    if (journal)
        write.JournalId = journal->Begin(write, judgement);
    const WriteSender::Reply reply =
        WriteSender(requestFactory_).Send(write, call.Verb, apiHost_, call.Path, call.Query, judgement);
    // The host hears of the outcome even when the journal cannot take it (a full disk); that
    // failure then goes to Error like any other.
    std::exception_ptr journalFailure;
    if (journal) {
        try {
            journal->Finish(write.JournalId, write);
        } catch (...) {
            journalFailure = std::current_exception();
        }
    }
    emit WriteFinished(write);
    for (const std::exception_ptr& failure : {journalFailure, reply.Failure})
        if (failure)
            std::rethrow_exception(failure);
    if (reply.Accepted)
        accepted(*reply.Document);
    else
        rejected(*reply.Document);
}

bool ServiceControl::RunServiceLoader(const ServiceCall& call, Judgement judgement,
                                      const std::function<void(JsonBag&)>& accepted,
                                      const std::function<void(JsonBag&)>& rejected,
                                      const std::function<void()>& exitStep, FailurePolicy policy) {
    return RunLoader(
        [&] {
            if (apiHost_.isEmpty())
                return false;
            if (call.Verb != HttpVerb::Get) {
                RunWrite(call, judgement, accepted, rejected);
                return true;
            }
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
