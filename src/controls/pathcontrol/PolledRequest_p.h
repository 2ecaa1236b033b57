#pragma once

#include "core/Date.h"

#include <QDateTime>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

namespace k7 {

class HttpRequestObject;
class Timer;

// An asynchronous GET whose reply a control waits for without blocking (the path view's picture):
// the request object sends it on a worker thread, and the control's own timer looks at it on every
// tick until it is over. The control only declares what happens then, in its handlers:
//
// - Replied: the reply is in, with its HTTP status; its text is read only if the handler asks.
// - TimedOut: no reply within the time-out, counted from the send.
// - NotSent / Failed: opening or sending failed, or looking at the reply did; the failure text
//   (number, "-", description).
//
// Every request sent ends with the timer's control's RequestFinished, before the handler runs.
//
// The timer stops once a handler has run. The request layer's errors that only mean "not yet"
// (a handle that is not ready) leave everything as it is, and the next tick looks again. The
// request object honours no time-outs of its own: the time-out is the poll's.
class PolledRequest {
public:
    struct Handlers {
        std::function<void(int32_t status, const std::function<QString()>& text)> Replied;
        std::function<void()> TimedOut;
        std::function<void(const QString& failure)> NotSent;
        std::function<void(const QString& failure)> Failed;
    };

    // Polls through `timer`, with the server-side request object until another is handed in.
    PolledRequest(Timer& timer, int64_t timeOutSeconds, Handlers handlers);
    ~PolledRequest();
    PolledRequest(const PolledRequest&) = delete;
    PolledRequest& operator=(const PolledRequest&) = delete;

    // The request object to send with from now on (tests hand in scripted ones).
    void SetRequestObject(std::unique_ptr<HttpRequestObject> request);

    // Abandons the request still open, then sends a GET to `address` and starts polling.
    void Send(const QString& address);
    // One look at the request: nothing until it is over or its time is up, then a handler.
    void Poll();
    // Stops polling; a reply still to come is not looked at.
    void Stop();
    // When the last request was sent.
    Date SentAt() const { return sentAt_; }

private:
    // RequestFinished for the request sent last, once.
    void Report(int32_t status, const QString& message);
    // A real request over the control's connection group, in place of the one before.
    void NewOwnRequest();

    Timer& timer_;
    int64_t timeOutSeconds_;
    Handlers handlers_;
    std::unique_ptr<HttpRequestObject> request_;
    bool ownsRequest_ = false; // request_ is a real one made here, not one a host handed in
    Date sentAt_;
    QString address_;
    QDateTime sentTime_;
    bool reported_ = true;
};

} // namespace k7
