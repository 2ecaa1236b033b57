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

struct K7_NO_EXPORT ServiceControl::Private {
    using FollowUp = std::function<std::optional<ServiceCall>(JsonBag& reply)>;
    // A loader's continuation, held while its request is out.
    struct Load {
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

    // A write between its journal entry and its reply.
    struct PendingWrite {
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

    explicit Private(ServiceControl& control) : q(control) {}

    ServiceControl& q;
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

    // What every loader form comes down to.
    bool RunContinuation(const CallBuilder& call, const ReplyRule& rule, const FollowUp& accepted,
                         const ReplyHandler& rejected, const ReplyHandler& followed,
                         const std::function<void()>& exitStep, const FailureRoute& failure);
    // The NonBlocking form of RunContinuation and its halves.
    bool StartContinuation(const CallBuilder& call, const std::shared_ptr<Load>& load);
    void StartRead(const ServiceCall& call, const std::shared_ptr<Load>& load);
    void StartWrite(const ServiceCall& request, const std::shared_ptr<Load>& load);
    // Abandons the read out for `successor`, which takes over what that read held back.
    void SupersedeRead(Load& successor);
    void ReadArrived(const std::shared_ptr<Load>& load, const ServiceReply& sent);
    void WriteArrived(const std::shared_ptr<Load>& load, const std::shared_ptr<PendingWrite>& write,
                      const ServiceReply& sent);
    // Sends one request to APIHost with a fresh client, here and now.
    ServiceReply Exchange(const ServiceCall& call) const;
    // Parses what came back for a read into `reply`, judges it by `rule` and reports the read
    // (RequestFinished) before anyone acts on it; then raises what parsing raised, and what judging
    // raised when `judged` (a followed read is reported by the rule but handled unjudged). Returns
    // the verdict.
    bool TakeRead(const ServiceReply& sent, const ReplyRule& rule, JsonBag& reply, bool judged);
    // The write branch of RunServiceLoader: journal, send, report, then the control's handlers.
    void RunWrite(const ServiceCall& call, Judgement judgement, const ReplyHandler& accepted,
                  const ReplyHandler& rejected);
    // Its halves: the journal entry before the send; after it, the journal, WriteFinished and the
    // handlers.
    std::shared_ptr<PendingWrite> BeginWrite(const ServiceCall& call, Judgement judgement);
    void FinishWrite(PendingWrite& write, const ServiceReply& sent, const ReplyHandler& accepted,
                     const ReplyHandler& rejected);
    // A loader's last steps: the failure where its route says, the exit step, the reply released.
    void Conclude(Load& load, const std::optional<QString>& failure);
    // The steps AfterRequests held, once nothing is in flight.
    void RunStepsAfterRequests();
};

ServiceControl::ServiceControl(QWidget* parent) : ControlBase(parent), d(std::make_unique<Private>(*this)) {}

const QString& ServiceControl::APIHost() const {
    return d->apiHost;
}

const QString& ServiceControl::Company() const {
    return d->company;
}

const QString& ServiceControl::Session() const {
    return d->session;
}

const QString& ServiceControl::Process() const {
    return d->process;
}

void ServiceControl::SetRequestFactory(RestClient::RequestFactory factory) {
    d->requestFactory = std::move(factory);
}

void ServiceControl::SetRequestMode(RequestMode mode) {
    d->requestMode = mode;
    // What a refresh shows before its reply is held back until the reply (see HoldBackEntry).
    SetHoldsBackEntries(mode == RequestMode::NonBlocking);
}

RequestMode ServiceControl::GetRequestMode() const {
    return d->requestMode;
}

bool ServiceControl::RequestInFlight() const {
    return ReadInFlight();
}

void ServiceControl::AddConnectionProperties(PropertyTable& table, const ConnectionForms& forms) {
    const Variant empty{QString()};
    table
        .Add(PropertyTable::Row<ServiceControl>(
            APIHostProperty, [](auto& c) -> auto& { return c.d->apiHost; }, forms.APIHost, empty,
            forms.APIHostPersistence))
        .Add(PropertyTable::Row<ServiceControl>(
            CompanyProperty, [](auto& c) -> auto& { return c.d->company; }, forms.Others, empty))
        .Add(PropertyTable::Row<ServiceControl>(
            SessionProperty, [](auto& c) -> auto& { return c.d->session; }, forms.Others, empty))
        .Add(PropertyTable::Row<ServiceControl>(
            ProcessProperty, [](auto& c) -> auto& { return c.d->process; }, forms.Others, empty));
}

QString ServiceControl::ConnectionQuery(QueryPairs middle, QueryPairs trailing) const {
    QString query = Envelope::BuildQuery({{QStringLiteral("process"), d->process}});
    if (middle.size() != 0)
        query += QLatin1Char('&') + Envelope::BuildQuery(middle);
    return query + QLatin1Char('&') + SessionQuery({}, trailing);
}

QString ServiceControl::SessionQuery(QueryPairs leading, QueryPairs trailing) const {
    QString query = Envelope::BuildQuery(leading);
    if (!query.isEmpty())
        query += QLatin1Char('&');
    query += Envelope::BuildQuery(
        {{QStringLiteral("session"), d->session}, {QStringLiteral("company"), d->company}});
    if (trailing.size() != 0)
        query += QLatin1Char('&') + Envelope::BuildQuery(trailing);
    return query;
}

bool ServiceControl::ReplyRule::Accepts(const JsonBag& reply) const {
    return judgement_ ? Envelope::Accepts(*judgement_, reply) : predicate_(reply);
}

ServiceControl::~ServiceControl() {
    if (d->readFlight)
        d->readFlight->Abandon();
    // A write abandoned here stays pending in the journal, for the host to send again.
    for (const auto& [id, write] : d->writeFlights)
        write->Abandon();
}

ServiceReply ServiceControl::Private::Exchange(const ServiceCall& call) const {
    return ExchangeWithService(RequestsOf(q, requestFactory), apiHost, call.Verb, call.Path, call.Query);
}

bool ServiceControl::Private::TakeRead(const ServiceReply& sent, const ReplyRule& rule, JsonBag& reply,
                                       bool judged) {
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
    q.ReadEnded(outcome);
    if (parseFailure)
        std::rethrow_exception(parseFailure);
    if (ruleFailure && judged)
        std::rethrow_exception(ruleFailure);
    return accepted;
}

std::shared_ptr<ServiceControl::Private::PendingWrite>
ServiceControl::Private::BeginWrite(const ServiceCall& call, Judgement judgement) {
    auto pending = std::make_shared<PendingWrite>();
    pending->Call = call;
    pending->Rule = judgement;
    const QString address = RestClient::RequestAddress(apiHost, call.Path, call.Query);
    pending->Write = WriteSender::NewWrite(call.Verb, address);
    // Entered before it is sent, so a terminal that dies while the request is out still has it.
    pending->Journal = WriteJournal::Active();
    if (pending->Journal)
        pending->Journalled(
            [&] { pending->Write.JournalId = pending->Journal->Begin(pending->Write, judgement); });
    return pending;
}

void ServiceControl::Private::FinishWrite(PendingWrite& pending, const ServiceReply& sent,
                                          const std::function<void(JsonBag&)>& accepted,
                                          const std::function<void(JsonBag&)>& rejected) {
    const WriteSender::Reply reply = WriteSender::Judge(pending.Write, sent, pending.Rule);
    if (pending.Journal && pending.Write.JournalId != 0)
        pending.Journalled([&] { pending.Journal->Finish(pending.Write.JournalId, pending.Write); });
    emit q.WriteFinished(pending.Write);
    if (reply.Failure)
        std::rethrow_exception(reply.Failure);
    if (reply.Accepted)
        accepted(*reply.Document);
    else
        rejected(*reply.Document);
    if (pending.JournalFailure)
        std::rethrow_exception(pending.JournalFailure);
}

void ServiceControl::Private::RunWrite(const ServiceCall& call, Judgement judgement,
                                       const std::function<void(JsonBag&)>& accepted,
                                       const std::function<void(JsonBag&)>& rejected) {
    const std::shared_ptr<PendingWrite> pending = BeginWrite(call, judgement);
    FinishWrite(*pending,
                ExchangeWithService(RequestsOf(q, requestFactory), apiHost, call.Verb, call.Path, call.Query,
                                    pending->Write.Key),
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
    return d->RunContinuation(
        call, rule,
        [accepted](JsonBag& reply) -> std::optional<ServiceCall> {
            accepted(reply);
            return std::nullopt;
        },
        rejected, {}, exitStep, failure);
}

bool ServiceControl::RunFollowedLoader(
    const ServiceCall& call, const ReplyRule& rule,
    const std::function<std::optional<ServiceCall>(JsonBag& reply)>& accepted, const ReplyHandler& followed,
    const std::function<void()>& exitStep, const FailureRoute& failure) {
    return d->RunContinuation([&call] { return call; }, rule, accepted, [](JsonBag&) {}, followed, exitStep,
                              failure);
}

bool ServiceControl::Private::RunContinuation(const CallBuilder& call, const ReplyRule& rule,
                                              const FollowUp& accepted, const ReplyHandler& rejected,
                                              const ReplyHandler& followed,
                                              const std::function<void()>& exitStep,
                                              const FailureRoute& failure) {
    if (requestMode == RequestMode::NonBlocking && !failure.Handler())
        return StartContinuation(
            call, std::make_shared<Load>(Load{
                      rule, accepted, rejected, followed, exitStep, failure, nullptr, {}, false, false}));

    // One read of a control at a time: a loader carried out here while a read is out is merged
    // into it rather than queued behind it, as a timer event is not re-entered.
    if (ReadBusy())
        return false;
    // Held until after the exit step: a load releases its document last.
    std::shared_ptr<JsonBag> reply;
    const auto body = [&] {
        if (apiHost.isEmpty())
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
        q.ReadStarted(QDateTime::currentDateTime());
        if (!TakeRead(Exchange(request), rule, *reply, true)) {
            rejected(*reply);
        } else if (const std::optional<ServiceCall> next = accepted(*reply)) {
            // Only a read follows: a write is journalled and judged, so it is a form of its own.
            if (next->Verb != HttpVerb::Get)
                Raise(ErrorNumber::InvalidProcedureCall);
            q.ReadStarted(QDateTime::currentDateTime());
            TakeRead(Exchange(*next), rule, *reply, false);
            followed(*reply);
        }
        return true;
    };
    bool result = false;
    if (!failure.Handler()) {
        result = q.RunLoader(body, exitStep, failure.Policy());
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

void ServiceControl::Private::Conclude(Load& load, const std::optional<QString>& failure) {
    if (failure && load.Failure.Policy() == FailurePolicy::Record)
        q.SetError(*failure);
    if (load.ExitStep)
        load.ExitStep();
    load.Reply.reset();
}

bool ServiceControl::Private::StartContinuation(const CallBuilder& call, const std::shared_ptr<Load>& load) {
    bool sent = false;
    bool merged = false;
    // Building the request stays here, under the loader's trap: it may prompt the user, and a
    // failure there sends nothing and ends the loader now, as in the Blocking mode.
    const std::optional<QString> failure = Trap([&] {
        if (apiHost.isEmpty())
            return;
        const ServiceCall request = call();
        if (request.Verb != HttpVerb::Get) {
            if (!load->Rule.Common())
                Raise(ErrorNumber::InvalidProcedureCall);
            StartWrite(request, load);
            sent = true;
            return;
        }
        if (ReadBusy()) {
            // A booking's own reload supersedes the read out: the control ends on the figures read
            // after the booking. Any other read is merged into the one out, as a timer event is
            // not re-entered.
            if (writeHandlers == 0 || followGap) {
                merged = true; // nothing of this loader runs: the read out stands for it
                return;
            }
            SupersedeRead(*load);
        }
        load->Reply = JsonBag::Create();
        q.ReadStarted(QDateTime::currentDateTime());
        StartRead(request, load);
        sent = true;
    });
    if (!sent && !merged)
        Conclude(*load, failure);
    return false;
}

void ServiceControl::Private::SupersedeRead(Load& successor) {
    readFlight->Abandon();
    readFlight.reset();
    if (const std::shared_ptr<Load> superseded = std::exchange(readLoad, nullptr)) {
        superseded->Out = false;
        // What the superseded read held back still belongs on the screen, before its successor's.
        successor.Held = std::move(superseded->Held);
    }
    q.ReadDropped();
}

void ServiceControl::Private::StartWrite(const ServiceCall& request, const std::shared_ptr<Load>& load) {
    // A write is never merged or queued: it goes out now on a transfer of its own, whatever read
    // is out, so that no press is lost behind a slow refresh.
    const std::shared_ptr<PendingWrite> pending = BeginWrite(request, *load->Rule.Common());
    const int id = ++nextWrite;
    writeFlights[id] = BackgroundRequest::Start(
        q,
        [factory = RequestsOf(q, requestFactory), host = apiHost, request, key = pending->Write.Key] {
            return ExchangeWithService(factory, host, request.Verb, request.Path, request.Query, key);
        },
        [this, load, pending, id](const ServiceReply& sent) {
            writeFlights.erase(id);
            WriteArrived(load, pending, sent);
        });
}

void ServiceControl::Private::StartRead(const ServiceCall& call, const std::shared_ptr<Load>& load) {
    load->Out = true;
    readLoad = load;
    readFlight = BackgroundRequest::Start(
        q,
        [factory = RequestsOf(q, requestFactory), host = apiHost, call] {
            return ExchangeWithService(factory, host, call.Verb, call.Path, call.Query);
        },
        [this, load](const ServiceReply& sent) { ReadArrived(load, sent); });
    // What the entry sending it changes shows with the reply (see HoldBackEntry).
    q.HoldBackEntry([weak = std::weak_ptr<Load>(load)](std::shared_ptr<HeldBack> held) {
        const std::shared_ptr<Load> waiting = weak.lock();
        if (!waiting || !waiting->Out)
            return false;
        waiting->Held.push_back(std::move(held));
        return true;
    });
}

void ServiceControl::Private::ReadArrived(const std::shared_ptr<Load>& load, const ServiceReply& sent) {
    readFlight.reset();
    readLoad.reset();
    load->Out = false;
    const bool first = !load->Following;
    // The handlers may start a loader of this control (a booking reloads its list), except while a
    // followed read may still have its second request to send.
    followGap = first && load->Followed;
    // Whatever the exit step or a failure handler raises goes where the control's handler failures
    // go, as for a tick: there is no caller to hand it to.
    q.RunEntry(
        [&] {
            // The steps taken before the request show now, together with what the reply brings.
            for (const std::shared_ptr<HeldBack>& held : std::exchange(load->Held, {}))
                q.ShowHeldBack(*held);
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
                    followGap = false;
                    load->Following = true;
                    q.ReadStarted(QDateTime::currentDateTime());
                    StartRead(*next, load);
                    following = true;
                }
            });
            followGap = false;
            if (following)
                return;
            Conclude(*load, failure);
            RunStepsAfterRequests();
        },
        q.HandlerFailures());
}

void ServiceControl::Private::WriteArrived(const std::shared_ptr<Load>& load,
                                           const std::shared_ptr<PendingWrite>& pending,
                                           const ServiceReply& sent) {
    q.RunEntry(
        [&] {
            ++writeHandlers;
            const std::optional<QString> failure = Trap([&] {
                FinishWrite(
                    *pending, sent, [&load](JsonBag& written) { load->Accepted(written); }, load->Rejected);
            });
            --writeHandlers;
            Conclude(*load, failure);
            RunStepsAfterRequests();
        },
        q.HandlerFailures());
}

void ServiceControl::AfterRequests(std::function<void()> step) {
    // No read out: the step is simply the next statement, its failures reaching the caller.
    if (!d->ReadBusy() && d->afterRequests.empty()) {
        step();
        return;
    }
    d->afterRequests.push_back(std::move(step));
}

void ServiceControl::Private::RunStepsAfterRequests() {
    // There is no caller to hand a failure to: held steps run under the handler trap. A step may
    // send again (a booking reloads its list): the steps after it wait for that reply.
    while (!ReadBusy() && !afterRequests.empty()) {
        const std::function<void()> step = std::move(afterRequests.front());
        afterRequests.erase(afterRequests.begin());
        q.RunHandler(step);
    }
}

} // namespace k7
