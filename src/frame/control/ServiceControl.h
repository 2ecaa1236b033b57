#pragma once

#include "frame/control/ControlBase.h"
#include "frame/requests/Envelope.h"
#include "frame/requests/HttpVerb.h"
#include "frame/requests/WriteOutcome.h"
#include "orvelk7controls_export.h"
#include "service/RestClient.h"

#include <QString>

#include <functional>
#include <initializer_list>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>
#include <vector>

namespace k7 {

class BackgroundRequest;
struct ServiceReply;
class JsonBag;

// A control that reads its figures from the plant's REST service (six of the seven): the four
// connection properties APIHost, Company, Session and Process, the query strings built from them,
// and the loader forms through which every loader reaches the service.
//
// A loader is one of the forms below, declared as a continuation:
//
//     return RunServiceLoader({HttpVerb::Get, "/processes/prod", ConnectionQuery()},
//                             Judgement::StatusIsZero,
//                             [this](JsonBag& reply) { ...show reply.Item("data")... },
//                             [this](JsonBag&) { ...show "No Data"... },
//                             [this] { RepaintNow(); });
//
// An empty APIHost sends nothing. No control builds a RestClient or a JsonBag of its own, tests
// APIHost or traps a loader's failures: each request gets a fresh client and a fresh document,
// released when it is over. How a request is carried out is the frame's business alone: in the
// Blocking mode (the default) before the form returns; in the NonBlocking mode on a worker thread,
// its reply then judged and handled on this thread in a later turn of the event loop, with the same
// handlers, failures and Error as in the Blocking mode (see RequestMode). Every read ends with
// RequestFinished, in either mode, before the handlers run.
//
// A write (POST, PATCH, DELETE) goes through RunServiceLoader, which knows the control's rule for
// its reply. It carries a fresh Idempotency-Key, is entered in the write journal before it is sent
// when the host uses one (WriteJournal::Use), and ends with WriteFinished: the host learns every
// write's outcome even where the control itself shows nothing of it.
class K7_EXPORT ServiceControl : public ControlBase {
    Q_OBJECT
    // Written in the form the control's table gives them.
    Q_PROPERTY(QString APIHost READ APIHost WRITE setAPIHost NOTIFY APIHostChanged)
    Q_PROPERTY(QString Company READ Company WRITE setCompany NOTIFY CompanyChanged)
    Q_PROPERTY(QString Session READ Session WRITE setSession NOTIFY SessionChanged)
    Q_PROPERTY(QString Process READ Process WRITE setProcess NOTIFY ProcessChanged)

public:
    // The keys the connection rows (AddConnectionProperties) and the controls' identities name
    // them by.
    static constexpr PropertyKey APIHostProperty{"APIHost"};
    static constexpr PropertyKey CompanyProperty{"Company"};
    static constexpr PropertyKey SessionProperty{"Session"};
    static constexpr PropertyKey ProcessProperty{"Process"};

    explicit ServiceControl(QWidget* parent = nullptr);
    // A request still out is abandoned: its transfer ends at once and nothing of it is handled.
    ~ServiceControl() override;

    const QString& APIHost() const;
    const QString& Company() const;
    const QString& Session() const;
    const QString& Process() const;
    void setAPIHost(const QString& value) { Assign(APIHostProperty, Variant(value)); }
    void setCompany(const QString& value) { Assign(CompanyProperty, Variant(value)); }
    void setSession(const QString& value) { Assign(SessionProperty, Variant(value)); }
    void setProcess(const QString& value) { Assign(ProcessProperty, Variant(value)); }

    // Where the control's REST clients get their request objects; tests hand in scripted ones.
    // Without one, the real HTTP request object is used. In the NonBlocking mode the factory and the
    // objects it makes are used on a worker thread (one request of this control at a time).
    void SetRequestFactory(RestClient::RequestFactory factory);

    // How this control's requests are carried out (see RequestMode); Blocking until a host asks
    // otherwise.
    void SetRequestMode(RequestMode mode);
    RequestMode GetRequestMode() const;
    // A read of this control is out and its reply not yet handled (NonBlocking only): ReadInFlight.
    // A read loader called meanwhile sends nothing and returns false; a write is never held up.
    bool RequestInFlight() const;

signals:
    // The property of that name changed value (a write through Assign, its setter or the
    // meta-object); never for a write of the value it already has.
    void APIHostChanged();
    void CompanyChanged();
    void SessionChanged();
    void ProcessChanged();
    // Every write request this control sent, once it ended: booked, refused by the service, or
    // unknown (no answer came). Emitted before the control acts on the reply.
    void WriteFinished(const k7::WriteOutcome& outcome);

protected:
    // The write forms of the four connection properties, and whether APIHost is persisted (some
    // controls make the host set it on every run).
    struct ConnectionForms {
        WriteForm APIHost = WriteForm::Notifying;
        WriteForm Others = WriteForm::Plain;
        Persistence APIHostPersistence = Persistence::Persisted;
    };
    // Adds the rows APIHost, Company, Session, Process (in that order, default "") to a control's
    // table; the control adds its own rows after them.
    static void AddConnectionProperties(PropertyTable& table, const ConnectionForms& forms);

    using QueryPairs = std::initializer_list<std::pair<QString, QString>>;
    // "process=P" [& middle pairs] "&session=S&company=C" [& trailing pairs], values as they stand.
    QString ConnectionQuery(QueryPairs middle = {}, QueryPairs trailing = {}) const;
    // leading pairs & "session=S&company=C" [& trailing pairs], for requests that name no process
    // in the query.
    QString SessionQuery(QueryPairs leading, QueryPairs trailing = {}) const;

    struct ServiceCall {
        HttpVerb Verb = HttpVerb::Get;
        QString Path;
        QString Query;
    };
    // A request built only when there is a service to send it to, under the loader's trap: building
    // it may read a date or prompt the user, and a failure there sends nothing.
    using CallBuilder = std::function<ServiceCall()>;
    using ReplyHandler = std::function<void(JsonBag& reply)>;

    // How a reply is weighed: one of the common rules, or a read's own predicate (a write's rule
    // must be a common one, since the journal keeps it by name).
    class ReplyRule {
    public:
        ReplyRule(Judgement judgement) : judgement_(judgement) {}
        template <class Predicate,
                  std::enable_if_t<std::is_invocable_r_v<bool, Predicate, const JsonBag&>, int> = 0>
        ReplyRule(Predicate predicate) : predicate_(std::move(predicate)) {}
        bool Accepts(const JsonBag& reply) const;
        const std::optional<Judgement>& Common() const { return judgement_; }

    private:
        std::optional<Judgement> judgement_;
        std::function<bool(const JsonBag&)> predicate_;
    };

    // Where a loader's failure goes: by policy (Error, or nowhere), or as its text to the caller's
    // own handler, for methods that hand their failure back instead of recording it.
    class FailureRoute {
    public:
        FailureRoute(FailurePolicy policy = FailurePolicy::Record) : policy_(policy) {}
        template <class Handler, std::enable_if_t<std::is_invocable_v<Handler, const QString&>, int> = 0>
        FailureRoute(Handler handler) : handler_(std::move(handler)) {}
        FailurePolicy Policy() const { return policy_; }
        const std::function<void(const QString&)>& Handler() const { return handler_; }

    private:
        FailurePolicy policy_ = FailurePolicy::Record;
        std::function<void(const QString&)> handler_;
    };

    // The loader forms. Each is a continuation: the request, its judgement, the handlers. The frame
    // carries it out: with an empty APIHost nothing is built or sent and the result is false; else
    // the request goes out, its reply (or the client's failure envelope) is parsed and judged, and
    // `accepted` or `rejected` runs; a failure anywhere goes where `failure` says and makes the
    // result false; `exitStep` runs on every path, before the reply is released. True when a reply
    // was judged. Whatever a control does with a reply lives in its handlers, never after the call.
    //
    // In the NonBlocking mode the request is built here (a prompt stays where the user expects it),
    // sent on a worker, and the form returns false at once; the rest follows when the reply is in.
    // A form whose failure goes to the caller's own handler hands its outcome back to a caller that
    // waits for it, so it is carried out before it returns in either mode.
    //
    // A write (POST, PATCH, DELETE) is judged by a common rule; it carries a fresh
    // Idempotency-Key, is journalled and ends with WriteFinished before the handlers run.
    bool RunServiceLoader(const ServiceCall& call, const ReplyRule& rule, const ReplyHandler& accepted,
                          const ReplyHandler& rejected, const std::function<void()>& exitStep = {},
                          const FailureRoute& failure = {});
    bool RunServiceLoader(const CallBuilder& call, const ReplyRule& rule, const ReplyHandler& accepted,
                          const ReplyHandler& rejected, const std::function<void()>& exitStep = {},
                          const FailureRoute& failure = {});
    // The read whose accepted reply may name a second request: `accepted` reads the first reply and
    // returns the second request, or nothing to end there. The second reply replaces the first in the
    // same document and goes to `followed` unjudged (a failure envelope then fails where it is read).
    bool RunFollowedLoader(const ServiceCall& call, const ReplyRule& rule,
                           const std::function<std::optional<ServiceCall>(JsonBag& reply)>& accepted,
                           const ReplyHandler& followed, const std::function<void()>& exitStep = {},
                           const FailureRoute& failure = {});

    // The steps of a control that show what its loaders stored ("load, then show"): `step` runs
    // once no request of this control is out. That is at once in the Blocking mode, where a loader
    // is over when it returns, and whenever nothing was sent; in the NonBlocking mode it is after
    // the reply in flight has been handled, and after what its handlers sent in turn, so that the
    // step shows the new figures rather than the last ones; a step held so runs under the handler
    // trap, as there is no caller left to hand its failure to.
    void AfterRequests(std::function<void()> step);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
