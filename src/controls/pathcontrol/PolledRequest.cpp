#include "controls/pathcontrol/PolledRequest_p.h"

#include "core/Clock_p.h"
#include "core/RuntimeError.h"
#include "frame/children/Timer_p.h"
#include "frame/control/ControlBase.h"
#include "frame/requests/ConnectionGroupBinding_p.h"
#include "service/HttpRequestObject.h"

namespace k7 {

namespace {

// Errors of the request layer that only mean "not yet": reading the status or body then leaves
// everything as it is and the next tick tries again (until the time-out).
bool IsTransient(int32_t number) {
    return number == static_cast<int32_t>(0x80072EF3u)     // handle not in the right state
           || number == static_cast<int32_t>(0x80072EE6u)  // URL scheme not recognised
           || number == static_cast<int32_t>(0x80070006u); // invalid handle
}

// Raised through a handler when a read of the reply came too early; the poll ends quietly.
struct NotYet {};

template <class Read> auto ReadNow(const Read& read) {
    try {
        return read();
    } catch (...) {
        const RuntimeError failure = CurrentFailure(ErrorNumber::InternalError);
        if (IsTransient(failure.Number()))
            throw NotYet{};
        throw failure;
    }
}

} // namespace

PolledRequest::PolledRequest(Timer& timer, int64_t timeOutSeconds, Handlers handlers)
    : timer_(timer), timeOutSeconds_(timeOutSeconds), handlers_(std::move(handlers)) {
    NewOwnRequest();
}

PolledRequest::~PolledRequest() = default;

void PolledRequest::SetRequestObject(std::unique_ptr<HttpRequestObject> request) {
    ownsRequest_ = false;
    request_ = std::move(request);
    request_->SetTimeouts(0, 0, 0, 0);
}

void PolledRequest::NewOwnRequest() {
    // Over the control's group as it stands now: the host may put it in one after making it.
    request_ = NewRequestObject(ConnectionGroupOf(timer_.Owner()), true);
    request_->SetTimeouts(0, 0, 0, 0);
    ownsRequest_ = true;
}

void PolledRequest::Report(int32_t status, const QString& message) {
    if (reported_)
        return;
    reported_ = true;
    RequestOutcome outcome;
    outcome.Verb = QStringLiteral("GET");
    outcome.Url = address_;
    outcome.Status = status;
    outcome.Message = message.trimmed();
    outcome.Time = sentTime_;
    // The drawing service's reply is a script, not an envelope: a 200 is the picture.
    outcome.Good = status == 200;
    timer_.Owner().ReadEnded(outcome);
}

void PolledRequest::Send(const QString& address) {
    sentAt_ = Clock::Now();
    address_ = address;
    sentTime_ = QDateTime::currentDateTime();
    // A request still open is abandoned for this one: one read stays out.
    if (reported_)
        timer_.Owner().ReadStarted(sentTime_);
    reported_ = false;
    if (const std::optional<QString> failure = ControlBase::Trap([&] {
            if (request_->readyState() == 1)
                request_->Abort();
            if (ownsRequest_)
                NewOwnRequest();
            request_->Open(QStringLiteral("GET"), address, true);
            if (request_->readyState() == 1) {
                request_->Send();
                timer_.SetEnabled(true);
            }
        })) {
        Report(0, *failure);
        Stop();
        handlers_.NotSent(*failure);
    }
}

void PolledRequest::Poll() {
    if (const std::optional<QString> failure = ControlBase::Trap([&] {
            const bool done = request_->readyState() == 4;
            const int64_t elapsed = Dates::DiffSeconds(sentAt_, Clock::Now());
            if (!done && elapsed < timeOutSeconds_)
                return;
            try {
                if (elapsed >= timeOutSeconds_ || request_->readyState() != 4) {
                    Report(0, QStringLiteral("No reply within %1 seconds").arg(timeOutSeconds_));
                    handlers_.TimedOut();
                } else {
                    const int32_t status = ReadNow([this] { return request_->Status(); });
                    // The request layer's own time-out comes as a status of its own; no reply came.
                    if (status == kHttpTimeoutStatus)
                        Report(0, QStringLiteral("The operation timed out"));
                    else
                        Report(status, status == 200 ? QString() : ReasonPhrase());
                    handlers_.Replied(status, [this] {
                        return ReadNow([this] { return request_->ResponseText(); });
                    });
                }
            } catch (const NotYet&) {
                return;
            }
            Stop();
        })) {
        // A reply the handler failed on was reported already; a request that failed was not.
        Report(0, *failure);
        Stop();
        handlers_.Failed(*failure);
    }
}

QString PolledRequest::ReasonPhrase() const {
    try {
        return request_->StatusText();
    } catch (...) {
        return {};
    }
}

void PolledRequest::Stop() {
    timer_.SetEnabled(false);
    // Stopped before an outcome: the reply still to come is not looked at.
    if (!reported_) {
        reported_ = true;
        timer_.Owner().ReadDropped();
    }
}

} // namespace k7
