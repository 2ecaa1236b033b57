#include "frame/ServiceControl.h"

#include "core/RuntimeError.h"
#include "frame/WriteJournal.h"
#include "frame/WriteSender.h"
#include "json/JsonBag.h"

#include <optional>

namespace k7 {

void ServiceControl::AddConnectionProperties(PropertyTable& table, const ConnectionForms& forms) {
    const Variant empty{QString()};
    table.Add(APIHostProperty, &ServiceControl::apiHost_, forms.APIHost, empty, forms.APIHostPersistence)
        .Add(CompanyProperty, &ServiceControl::company_, forms.Others, empty)
        .Add(SessionProperty, &ServiceControl::session_, forms.Others, empty)
        .Add(ProcessProperty, &ServiceControl::process_, forms.Others, empty);
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

bool ServiceControl::ReplyRule::Accepts(const JsonBag& reply) const {
    return judgement_ ? Envelope::Accepts(*judgement_, reply) : predicate_(reply);
}

void ServiceControl::SendRead(const ServiceCall& call, JsonBag& reply) {
    RestClient client(requestFactory_);
    client.SetAPIHost(apiHost_);
    reply.SetJSON(SendThrough(client, call.Verb, call.Path, call.Query));
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

bool ServiceControl::RunServiceLoader(const ServiceCall& call, const ReplyRule& rule,
                                      const ReplyHandler& accepted, const ReplyHandler& rejected,
                                      const std::function<void()>& exitStep, const FailureRoute& failure) {
    return RunServiceLoader([&call] { return call; }, rule, accepted, rejected, exitStep, failure);
}

bool ServiceControl::RunServiceLoader(const CallBuilder& call, const ReplyRule& rule,
                                      const ReplyHandler& accepted, const ReplyHandler& rejected,
                                      const std::function<void()>& exitStep, const FailureRoute& failure) {
    return RunContinuation(
        call, rule,
        [&accepted](JsonBag& reply) -> std::optional<ServiceCall> {
            accepted(reply);
            return std::nullopt;
        },
        rejected, {}, exitStep, failure);
}

bool ServiceControl::RunFollowedLoader(const ServiceCall& call, const ReplyRule& rule,
                                       const FollowUp& accepted, const ReplyHandler& followed,
                                       const std::function<void()>& exitStep, const FailureRoute& failure) {
    return RunContinuation([&call] { return call; }, rule, accepted, [](JsonBag&) {}, followed, exitStep,
                           failure);
}

bool ServiceControl::RunContinuation(const CallBuilder& call, const ReplyRule& rule, const FollowUp& accepted,
                                     const ReplyHandler& rejected, const ReplyHandler& followed,
                                     const std::function<void()>& exitStep, const FailureRoute& failure) {
    // Held until after the exit step: a load releases its document last.
    std::shared_ptr<JsonBag> reply;
    const auto body = [&] {
        if (apiHost_.isEmpty())
            return false;
        const ServiceCall request = call();
        if (request.Verb != HttpVerb::Get) {
            // Writes are journalled with their rule's name; a rule of the control's own cannot be.
            if (!rule.Common())
                Raise(ErrorNumber::InvalidProcedureCall);
            RunWrite(
                request, *rule.Common(), [&accepted](JsonBag& written) { accepted(written); }, rejected);
            return true;
        }
        reply = JsonBag::Create();
        SendRead(request, *reply);
        if (!rule.Accepts(*reply)) {
            rejected(*reply);
        } else if (const std::optional<ServiceCall> next = accepted(*reply)) {
            // Only a read follows: a write is journalled and judged, so it is a form of its own.
            if (next->Verb != HttpVerb::Get)
                Raise(ErrorNumber::InvalidProcedureCall);
            SendRead(*next, *reply);
            followed(*reply);
        }
        return true;
    };
    bool result = false;
    if (!failure.Handler()) {
        result = RunLoader(body, exitStep, failure.Policy());
    } else {
        if (const std::optional<QString> text = Trap([&] { result = body(); })) {
            result = false;
            failure.Handler()(*text);
        }
        if (exitStep)
            exitStep();
    }
    reply.reset();
    return result;
}

} // namespace k7
