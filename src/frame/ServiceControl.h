#pragma once

#include "frame/ControlBase.h"
#include "frame/Envelope.h"
#include "frame/HttpVerb.h"
#include "frame/WriteOutcome.h"
#include "service/RestClient.h"

#include <QString>

#include <functional>
#include <initializer_list>
#include <memory>
#include <utility>

namespace k7 {

class JsonBag;

// A control that reads its figures from the plant's REST service (six of the seven): the four
// connection properties APIHost, Company, Session and Process, the query strings built from them,
// and the one way a loader calls the service.
//
// A loader is one CallService inside RunLoader, or RunServiceLoader for the common shape:
//
//     return RunServiceLoader({HttpVerb::Get, "/processes/prod", ConnectionQuery()},
//                             Judgement::StatusIsZero,
//                             [this](JsonBag& reply) { ...show reply.Item("data")... },
//                             [this](JsonBag&) { ...show "No Data"... },
//                             [this] { RepaintNow(); });
//
// An empty APIHost sends nothing. No control builds a RestClient or a JsonBag of its own: each
// call gets a fresh client and a fresh document, released when the call is over.
//
// A write (POST, PATCH, DELETE) goes through RunServiceLoader, which knows the control's rule for
// its reply. It carries a fresh Idempotency-Key, is entered in the write journal before it is sent
// when the host uses one (WriteJournal::Use), and ends with WriteFinished: the host learns every
// write's outcome even where the control itself shows nothing of it.
class ServiceControl : public ControlBase {
    Q_OBJECT
    Q_PROPERTY(QString APIHost READ APIHost WRITE setAPIHost)
    Q_PROPERTY(QString Company READ Company WRITE setCompany)
    Q_PROPERTY(QString Session READ Session WRITE setSession)
    Q_PROPERTY(QString Process READ Process WRITE setProcess)

public:
    using ControlBase::ControlBase;

    // Written in the form the control's table gives them.
    const QString& APIHost() const { return apiHost_; }
    void setAPIHost(const QString& value) { Assign(QStringLiteral("APIHost"), Variant(value)); }
    const QString& Company() const { return company_; }
    void setCompany(const QString& value) { Assign(QStringLiteral("Company"), Variant(value)); }
    const QString& Session() const { return session_; }
    void setSession(const QString& value) { Assign(QStringLiteral("Session"), Variant(value)); }
    const QString& Process() const { return process_; }
    void setProcess(const QString& value) { Assign(QStringLiteral("Process"), Variant(value)); }

    // Where the control's REST clients get their request objects; tests hand in scripted ones.
    // Without one, the real HTTP request object is used.
    void SetRequestFactory(RestClient::RequestFactory factory) { requestFactory_ = std::move(factory); }

signals:
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
    // Sends one read to APIHost with a fresh client and parses the text that comes back (a
    // reply, or the client's failure envelope) into a fresh document. A reply that is no JSON
    // raises the parser's error; the caller runs inside a loader's trap. A write raises 5: writes
    // are judged and reported, so they go through RunServiceLoader.
    std::shared_ptr<JsonBag> CallService(const ServiceCall& call);

    // The common loader: with an empty APIHost nothing is sent and the result is false; else
    // CallService, then `accepted` or `rejected` by the judgement, under the loader trap (a failure
    // goes where `policy` says and makes the result false); `exitStep` on every path. True when a
    // reply was judged.
    bool RunServiceLoader(const ServiceCall& call, Judgement judgement,
                          const std::function<void(JsonBag& reply)>& accepted,
                          const std::function<void(JsonBag& reply)>& rejected,
                          const std::function<void()>& exitStep = {},
                          FailurePolicy policy = FailurePolicy::Record);

private:
    // The write branch of RunServiceLoader: journal, send, report, then the control's handlers.
    void RunWrite(const ServiceCall& call, Judgement judgement,
                  const std::function<void(JsonBag& reply)>& accepted,
                  const std::function<void(JsonBag& reply)>& rejected);

    QString apiHost_;
    QString company_;
    QString session_;
    QString process_;
    RestClient::RequestFactory requestFactory_;
};

} // namespace k7
