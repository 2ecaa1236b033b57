#include "controls/pathcontrol/PolledRequest_p.h"

#include "core/Clock_p.h"
#include "frame/children/Timer_p.h"
#include "frame/control/ControlBase.h"
#include "frame/requests/ConnectionGroupBinding_p.h"
#include "frame/requests/ReplyReads_p.h"
#include "service/HttpRequestObject.h"

namespace k7 {

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
            const bool ended = RunUnlessReplyNotYet([&] {
                if (elapsed >= timeOutSeconds_ || request_->readyState() != 4) {
                    Report(0, QStringLiteral("No reply within %1 seconds").arg(timeOutSeconds_));
                    handlers_.TimedOut();
                    return;
                }
                const int32_t status = ReplyStatus(*request_);
                // The request layer's own time-out comes as a status of its own; no reply came.
                if (status == kHttpTimeoutStatus)
                    Report(0, QStringLiteral("The operation timed out"));
                else
                    Report(status, status == 200 ? QString() : ReplyReason(*request_));
                handlers_.Replied(status, [this] { return ReplyText(*request_); });
            });
            if (!ended)
                return;
            Stop();
        })) {
        // A reply the handler failed on was reported already; a request that failed was not.
        Report(0, *failure);
        Stop();
        handlers_.Failed(*failure);
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
