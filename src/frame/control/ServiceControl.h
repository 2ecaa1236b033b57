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

    // Where the control's REST clients get their request objects (tests hand in scripted ones).
    void SetRequestFactory(RestClient::RequestFactory factory);

    // How this control's requests are carried out: Blocking until a host asks otherwise.
    void SetRequestMode(RequestMode mode);
    RequestMode GetRequestMode() const;
    // A read of this control is out and its reply not yet handled (NonBlocking only).
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
    // A request built only when there is a service to send it to, under the loader's trap.
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

    // Carries out one request, judges its reply by `rule` and runs `accepted` or `rejected`
    // (docs/controls.md, "Loaders, handlers and failures"); true when a reply was judged.
    bool RunServiceLoader(const ServiceCall& call, const ReplyRule& rule, const ReplyHandler& accepted,
                          const ReplyHandler& rejected, const std::function<void()>& exitStep = {},
                          const FailureRoute& failure = {});
    bool RunServiceLoader(const CallBuilder& call, const ReplyRule& rule, const ReplyHandler& accepted,
                          const ReplyHandler& rejected, const std::function<void()>& exitStep = {},
                          const FailureRoute& failure = {});
    // A read whose accepted reply names a second request, whose reply goes to `followed` unjudged.
    bool RunFollowedLoader(const ServiceCall& call, const ReplyRule& rule,
                           const std::function<std::optional<ServiceCall>(JsonBag& reply)>& accepted,
                           const ReplyHandler& followed, const std::function<void()>& exitStep = {},
                           const FailureRoute& failure = {});

    // Runs `step` once no request of this control is out, so that it shows the new figures.
    void AfterRequests(std::function<void()> step);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace k7
