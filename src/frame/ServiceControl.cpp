#include "frame/ServiceControl.h"

#include "frame/WriteJournal.h"
#include "frame/WriteSender.h"
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
    // Entered before it is sent, so a terminal that dies while the request is out still has it. A
    // journal that cannot take the entry (a full disk) does not hold the booking back: the write
    // goes out, the host hears of it, and the journal's failure then goes to Error.
    const std::shared_ptr<WriteJournal> journal = WriteJournal::Active();
    std::exception_ptr journalFailure;
    const auto journalled = [&journalFailure](const std::function<void()>& step) {
        try {
            step();
        } catch (...) {
            journalFailure = std::current_exception();
        }
    };
    if (journal)
        journalled([&] { write.JournalId = journal->Begin(write, judgement); });
    const WriteSender::Reply reply =
        WriteSender(requestFactory_).Send(write, call.Verb, apiHost_, call.Path, call.Query, judgement);
    if (journal && write.JournalId != 0)
        journalled([&] { journal->Finish(write.JournalId, write); });
    emit WriteFinished(write);
    if (reply.Failure)
        std::rethrow_exception(reply.Failure);
    if (reply.Accepted)
        accepted(*reply.Document);
    else
        rejected(*reply.Document);
    if (journalFailure)
        std::rethrow_exception(journalFailure);
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
