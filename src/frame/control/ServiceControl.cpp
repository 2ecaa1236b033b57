#include "frame/control/ServiceControl.h"

#include "core/RuntimeError.h"
#include "frame/requests/BackgroundRequest_p.h"
#include "frame/requests/ConnectionGroupBinding_p.h"
#include "frame/requests/ServiceExchange_p.h"
#include "frame/requests/WriteJournal.h"
#include "frame/requests/WriteSender_p.h"
#include "json/JsonBag.h"

#include <map>
#include <optional>

namespace k7 {

namespace {

// What the control's requests are made with: the factory handed in (tests), or else real request
// objects over the control's connection group, read at every request so that a group given by the
// host after the control was made counts.
RestClient::RequestFactory RequestsOf(const ControlBase& control,
                                      const RestClient::RequestFactory& handedIn) {
    if (handedIn)
        return handedIn;
    return [group = ConnectionGroupOf(control)](bool serverMode) { return NewRequestObject(group, serverMode); };
}

} // namespace

struct ServiceControl::Private {
    QString apiHost;
    QString company;
    QString session;
    QString process;
    RestClient::RequestFactory requestFactory;
    RequestMode requestMode = RequestMode::Blocking;
    // NonBlocking: the one read out and its continuation, and whether a followed read's handlers
    // are still deciding on its second request (the read slot is taken meanwhile).
    std::shared_ptr<BackgroundRequest> readFlight;
    std::shared_ptr<Load> readLoad;
    bool followGap = false;
    // NonBlocking: every write out, each on a transfer of its own, and how deep the handlers of a
    // write's reply run (a read they start supersedes the read out).
    std::map<int, std::shared_ptr<BackgroundRequest>> writeFlights;
    int nextWrite = 0;
    int writeHandlers = 0;
    std::vector<std::function<void()>> afterRequests;

    bool ReadBusy() const { return readFlight != nullptr || followGap; }
};

ServiceControl::ServiceControl(QWidget* parent)
    : ControlBase(parent), service_(std::make_unique<Private>()) {}

const QString& ServiceControl::APIHost() const {
    return service_->apiHost;
}

const QString& ServiceControl::Company() const {
    return service_->company;
}

const QString& ServiceControl::Session() const {
    return service_->session;
}

const QString& ServiceControl::Process() const {
    return service_->process;
}

void ServiceControl::SetRequestFactory(RestClient::RequestFactory factory) {
    service_->requestFactory = std::move(factory);
}

void ServiceControl::SetRequestMode(RequestMode mode) {
    service_->requestMode = mode;
    // What a refresh shows before its reply is held back until the reply (see HoldBackEntry).
    SetHoldsBackEntries(mode == RequestMode::NonBlocking);
}

RequestMode ServiceControl::GetRequestMode() const {
    return service_->requestMode;
}

bool ServiceControl::RequestInFlight() const {
    return ReadInFlight();
}

void ServiceControl::AddConnectionProperties(PropertyTable& table, const ConnectionForms& forms) {
    const Variant empty{QString()};
    table
        .Add(PropertyTable::Row<ServiceControl>(
            APIHostProperty, [](auto& c) -> auto& { return c.service_->apiHost; }, forms.APIHost, empty,
            forms.APIHostPersistence))
        .Add(PropertyTable::Row<ServiceControl>(
            CompanyProperty, [](auto& c) -> auto& { return c.service_->company; }, forms.Others, empty))
        .Add(PropertyTable::Row<ServiceControl>(
            SessionProperty, [](auto& c) -> auto& { return c.service_->session; }, forms.Others, empty))
        .Add(PropertyTable::Row<ServiceControl>(
            ProcessProperty, [](auto& c) -> auto& { return c.service_->process; }, forms.Others, empty));
}

QString ServiceControl::ConnectionQuery(QueryPairs middle, QueryPairs trailing) const {
    QString query = Envelope::BuildQuery({{QStringLiteral("process"), service_->process}});
    if (middle.size() != 0)
        query += QLatin1Char('&') + Envelope::BuildQuery(middle);
    return query + QLatin1Char('&') + SessionQuery({}, trailing);
}

QString ServiceControl::SessionQuery(QueryPairs leading, QueryPairs trailing) const {
    QString query = Envelope::BuildQuery(leading);
    if (!query.isEmpty())
        query += QLatin1Char('&');
    query += Envelope::BuildQuery(
        {{QStringLiteral("session"), service_->session}, {QStringLiteral("company"), service_->company}});
    if (trailing.size() != 0)
        query += QLatin1Char('&') + Envelope::BuildQuery(trailing);
    return query;
}

bool ServiceControl::ReplyRule::Accepts(const JsonBag& reply) const {
    return judgement_ ? Envelope::Accepts(*judgement_, reply) : predicate_(reply);
}

struct ServiceControl::Load {
    ReplyRule Rule;
    FollowUp Accepted;
    ReplyHandler Rejected;
    ReplyHandler Followed; // empty: a RunServiceLoader, whose accepted reply is the end
    std::function<void()> ExitStep;
    FailureRoute Failure;
    // Held until after the exit step: a load releases its document last.
    std::shared_ptr<JsonBag> Reply;
    // What the entries that sent it changed, shown when its reply arrives; and whether it is out.
    std::vector<std::shared_ptr<HeldBack>> Held;
    bool Out = false;
    bool Following = false; // its second request is the one out
};

struct ServiceControl::PendingWrite {
    ServiceCall Call;
    Judgement Rule = Judgement::StatusIsZero;
    WriteOutcome Write;
    std::shared_ptr<WriteJournal> Journal;
    std::exception_ptr JournalFailure;

    // A journal that cannot take the entry (a full disk) does not hold the booking back: the write
    // goes out, the host hears of it, and the journal's failure then goes to Error.
    void Journalled(const std::function<void()>& step) {
        try {
            step();
        } catch (...) {
            JournalFailure = std::current_exception();
        }
    }
};

ServiceControl::~ServiceControl() {
    if (service_->readFlight)
        service_->readFlight->Abandon();
    // A write abandoned here stays pending in the journal, for the host to send again.
    for (const auto& [id, write] : service_->writeFlights)
        write->Abandon();
}

ServiceReply ServiceControl::Exchange(const ServiceCall& call) const {
    return ExchangeWithService(RequestsOf(*this, service_->requestFactory), service_->apiHost, call.Verb,
                               call.Path, call.Query);
}

bool ServiceControl::TakeRead(const ServiceReply& sent, const ReplyRule& rule, JsonBag& reply, bool judged) {
    RequestOutcome outcome;
    outcome.Verb = HttpVerbName(HttpVerb::Get);
    outcome.Url = sent.Url;
    outcome.Status = sent.Status;
    outcome.Time = sent.Sent;
    // Without a 200 reply the envelope's message is the failure text; it is taken as the client
    // gave it, since a quote in it leaves the envelope unreadable.
    outcome.Message = sent.Status == 200 ? QString() : sent.Failure.trimmed();
    std::exception_ptr parseFailure;
    std::exception_ptr ruleFailure;
    try {
        reply.SetJSON(sent.Text);
        // Reading the message must not raise a failure of its own: the rule's is the one reported.
        if (sent.Status == 200) {
            try {
                outcome.Message = ReplyMessage(reply);
            } catch (...) {
            }
        }
        try {
            outcome.Good = rule.Accepts(reply);
        } catch (...) {
            ruleFailure = std::current_exception();
        }
    } catch (...) {
        parseFailure = std::current_exception();
    }
    const bool accepted = outcome.Good;
    // A rule of the control's own could take a failure envelope for a success; the host still
    // learns that no reply came.
    outcome.Good = accepted && sent.Status == 200;
    ReadEnded(outcome);
    if (parseFailure)
        std::rethrow_exception(parseFailure);
    if (ruleFailure && judged)
        std::rethrow_exception(ruleFailure);
    return accepted;
}

std::shared_ptr<ServiceControl::PendingWrite> ServiceControl::BeginWrite(const ServiceCall& call,
                                                                          Judgement judgement) {
    auto pending = std::make_shared<PendingWrite>();
    pending->Call = call;
    pending->Rule = judgement;
    const QString address = RestClient::RequestAddress(service_->apiHost, call.Path, call.Query);
    pending->Write = WriteSender::NewWrite(call.Verb, address);
    // Entered before it is sent, so a terminal that dies while the request is out still has it.
    pending->Journal = WriteJournal::Active();
    if (pending->Journal)
        pending->Journalled([&] { pending->Write.JournalId = pending->Journal->Begin(pending->Write, judgement); });
    return pending;
}

void ServiceControl::FinishWrite(PendingWrite& pending, const ServiceReply& sent,
                                 const std::function<void(JsonBag&)>& accepted,
                                 const std::function<void(JsonBag&)>& rejected) {
    const WriteSender::Reply reply = WriteSender::Judge(pending.Write, sent, pending.Rule);
    if (pending.Journal && pending.Write.JournalId != 0)
        pending.Journalled([&] { pending.Journal->Finish(pending.Write.JournalId, pending.Write); });
    emit WriteFinished(pending.Write);
    if (reply.Failure)
        std::rethrow_exception(reply.Failure);
    if (reply.Accepted)
        accepted(*reply.Document);
    else
        rejected(*reply.Document);
    if (pending.JournalFailure)
        std::rethrow_exception(pending.JournalFailure);
}

void ServiceControl::RunWrite(const ServiceCall& call, Judgement judgement,
                              const std::function<void(JsonBag&)>& accepted,
                              const std::function<void(JsonBag&)>& rejected) {
    const std::shared_ptr<PendingWrite> pending = BeginWrite(call, judgement);
    FinishWrite(*pending,
                ExchangeWithService(RequestsOf(*this, service_->requestFactory), service_->apiHost, call.Verb,
                                    call.Path, call.Query, pending->Write.Key),
                accepted, rejected);
}

bool ServiceControl::RunServiceLoader(const ServiceCall& call, const ReplyRule& rule,
                                      const ReplyHandler& accepted, const ReplyHandler& rejected,
                                      const std::function<void()>& exitStep, const FailureRoute& failure) {
    return RunServiceLoader([&call] { return call; }, rule, accepted, rejected, exitStep, failure);
}

bool ServiceControl::RunServiceLoader(const CallBuilder& call, const ReplyRule& rule,
                                      const ReplyHandler& accepted, const ReplyHandler& rejected,
                                      const std::function<void()>& exitStep, const FailureRoute& failure) {
    // The handler is held by value: in the NonBlocking mode it runs after this returns.
    return RunContinuation(
        call, rule,
        [accepted](JsonBag& reply) -> std::optional<ServiceCall> {
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
    if (service_->requestMode == RequestMode::NonBlocking && !failure.Handler())
        return StartContinuation(
            call, std::make_shared<Load>(Load{rule, accepted, rejected, followed, exitStep, failure, nullptr, {}, false, false}));

    // One read of a control at a time: a loader carried out here while a read is out is merged
    // into it rather than queued behind it, as a timer event is not re-entered.
    if (service_->ReadBusy())
        return false;
    // Held until after the exit step: a load releases its document last.
    std::shared_ptr<JsonBag> reply;
    const auto body = [&] {
        if (service_->apiHost.isEmpty())
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
        ReadStarted(QDateTime::currentDateTime());
        if (!TakeRead(Exchange(request), rule, *reply, true)) {
            rejected(*reply);
        } else if (const std::optional<ServiceCall> next = accepted(*reply)) {
            // Only a read follows: a write is journalled and judged, so it is a form of its own.
            if (next->Verb != HttpVerb::Get)
                Raise(ErrorNumber::InvalidProcedureCall);
            ReadStarted(QDateTime::currentDateTime());
            TakeRead(Exchange(*next), rule, *reply, false);
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

void ServiceControl::Conclude(Load& load, const std::optional<QString>& failure) {
    if (failure && load.Failure.Policy() == FailurePolicy::Record)
        SetError(*failure);
    if (load.ExitStep)
        load.ExitStep();
    load.Reply.reset();
}

bool ServiceControl::StartContinuation(const CallBuilder& call, const std::shared_ptr<Load>& load) {
    bool sent = false;
    bool merged = false;
    // Building the request stays here, under the loader's trap: it may prompt the user, and a
    // failure there sends nothing and ends the loader now, as in the Blocking mode.
    const std::optional<QString> failure = Trap([&] {
        if (service_->apiHost.isEmpty())
            return;
        const ServiceCall request = call();
        if (request.Verb != HttpVerb::Get) {
            if (!load->Rule.Common())
                Raise(ErrorNumber::InvalidProcedureCall);
            StartWrite(request, load);
            sent = true;
            return;
        }
        if (service_->ReadBusy()) {
            // A booking's own reload supersedes the read out: the control ends on the figures read
            // after the booking. Any other read is merged into the one out, as a timer event is
            // not re-entered.
            if (service_->writeHandlers == 0 || service_->followGap) {
                merged = true; // nothing of this loader runs: the read out stands for it
                return;
            }
            SupersedeRead(*load);
        }
        load->Reply = JsonBag::Create();
        ReadStarted(QDateTime::currentDateTime());
        StartRead(request, load);
        sent = true;
    });
    if (!sent && !merged)
        Conclude(*load, failure);
    return false;
}

void ServiceControl::SupersedeRead(Load& successor) {
    service_->readFlight->Abandon();
    service_->readFlight.reset();
    if (const std::shared_ptr<Load> superseded = std::exchange(service_->readLoad, nullptr)) {
        superseded->Out = false;
        // What the superseded read held back still belongs on the screen, before its successor's.
        successor.Held = std::move(superseded->Held);
    }
    ReadDropped();
}

void ServiceControl::StartWrite(const ServiceCall& request, const std::shared_ptr<Load>& load) {
    // A write is never merged or queued: it goes out now on a transfer of its own, whatever read
    // is out, so that no press is lost behind a slow refresh.
    const std::shared_ptr<PendingWrite> pending = BeginWrite(request, *load->Rule.Common());
    const int id = ++service_->nextWrite;
    service_->writeFlights[id] = BackgroundRequest::Start(
        *this,
        [factory = RequestsOf(*this, service_->requestFactory), host = service_->apiHost, request,
         key = pending->Write.Key] {
            return ExchangeWithService(factory, host, request.Verb, request.Path, request.Query, key);
        },
        [this, load, pending, id](const ServiceReply& sent) {
            service_->writeFlights.erase(id);
            WriteArrived(load, pending, sent);
        });
}

void ServiceControl::StartRead(const ServiceCall& call, const std::shared_ptr<Load>& load) {
    load->Out = true;
    service_->readLoad = load;
    service_->readFlight = BackgroundRequest::Start(
        *this,
        [factory = RequestsOf(*this, service_->requestFactory), host = service_->apiHost, call] {
            return ExchangeWithService(factory, host, call.Verb, call.Path, call.Query);
        },
        [this, load](const ServiceReply& sent) { ReadArrived(load, sent); });
    // What the entry sending it changes shows with the reply (see HoldBackEntry).
    HoldBackEntry([weak = std::weak_ptr<Load>(load)](std::shared_ptr<HeldBack> held) {
        const std::shared_ptr<Load> waiting = weak.lock();
        if (!waiting || !waiting->Out)
            return false;
        waiting->Held.push_back(std::move(held));
        return true;
    });
}

void ServiceControl::ReadArrived(const std::shared_ptr<Load>& load, const ServiceReply& sent) {
    service_->readFlight.reset();
    service_->readLoad.reset();
    load->Out = false;
    const bool first = !load->Following;
    // The handlers may start a loader of this control (a booking reloads its list), except while a
    // followed read may still have its second request to send.
    service_->followGap = first && load->Followed;
    // Whatever the exit step or a failure handler raises goes where the control's handler failures
    // go, as for a tick: there is no caller to hand it to.
    RunEntry(
        [&] {
            // The steps taken before the request show now, together with what the reply brings.
            for (const std::shared_ptr<HeldBack>& held : std::exchange(load->Held, {}))
                ShowHeldBack(*held);
            bool following = false;
            const std::optional<QString> failure = Trap([&] {
                JsonBag& reply = *load->Reply;
                if (!first) {
                    TakeRead(sent, load->Rule, reply, false);
                    load->Followed(reply);
                } else if (!TakeRead(sent, load->Rule, reply, true)) {
                    load->Rejected(reply);
                } else if (const std::optional<ServiceCall> next = load->Accepted(reply)) {
                    if (next->Verb != HttpVerb::Get)
                        Raise(ErrorNumber::InvalidProcedureCall);
                    service_->followGap = false;
                    load->Following = true;
                    ReadStarted(QDateTime::currentDateTime());
                    StartRead(*next, load);
                    following = true;
                }
            });
            service_->followGap = false;
            if (following)
                return;
            Conclude(*load, failure);
            RunStepsAfterRequests();
        },
        HandlerFailures());
}

void ServiceControl::WriteArrived(const std::shared_ptr<Load>& load, const std::shared_ptr<PendingWrite>& pending,
                                  const ServiceReply& sent) {
    RunEntry(
        [&] {
            ++service_->writeHandlers;
            const std::optional<QString> failure = Trap([&] {
                FinishWrite(*pending, sent, [&load](JsonBag& written) { load->Accepted(written); }, load->Rejected);
            });
            --service_->writeHandlers;
            Conclude(*load, failure);
            RunStepsAfterRequests();
        },
        HandlerFailures());
}

void ServiceControl::AfterRequests(std::function<void()> step) {
    // No read out: the step is simply the next statement, its failures reaching the caller.
    if (!service_->ReadBusy() && service_->afterRequests.empty()) {
        step();
        return;
    }
    service_->afterRequests.push_back(std::move(step));
}

void ServiceControl::RunStepsAfterRequests() {
    // There is no caller to hand a failure to: held steps run under the handler trap. A step may
    // send again (a booking reloads its list): the steps after it wait for that reply.
    while (!service_->ReadBusy() && !service_->afterRequests.empty()) {
        const std::function<void()> step = std::move(service_->afterRequests.front());
        service_->afterRequests.erase(service_->afterRequests.begin());
        RunHandler(step);
    }
}

} // namespace k7
