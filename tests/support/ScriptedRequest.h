#pragma once

#include "service/HttpRequestObject.h"

#include <QStringList>

#include <deque>
#include <memory>

// One scripted reply: its body and HTTP status.
struct QueuedReply {
    QueuedReply(QString body, int status = 200) : Body(std::move(body)), Status(status) {}
    QueuedReply(const char* body, int status = 200) : QueuedReply(QString::fromUtf8(body), status) {}
    QString Body;
    int Status;
};

// A request object that answers every Send with a scripted status and body and remembers what it
// was asked, so loader tests run without a server. The end-to-end rows use real HTTP.
struct ScriptedReplies {
    int Status = 200;
    QString Body = "{}";
    QStringList Sent; // "METHOD url", in order
    // Taken in turn, one by each new request object (a control makes a fresh one per call); once
    // the queue is empty the last status and body keep answering.
    std::deque<QueuedReply> Next;

    void Queue(const QString& body, int status = 200) { Next.emplace_back(body, status); }
};

class ScriptedRequest : public k7::HttpRequestObject {
public:
    explicit ScriptedRequest(std::shared_ptr<ScriptedReplies> replies) : replies_(std::move(replies)) {}

    // The factory a control's SetRequestFactory takes.
    static auto Factory(std::shared_ptr<ScriptedReplies> replies) {
        return [replies](bool) -> std::unique_ptr<k7::HttpRequestObject> {
            if (!replies->Next.empty()) {
                replies->Body = replies->Next.front().Body;
                replies->Status = replies->Next.front().Status;
                replies->Next.pop_front();
            }
            return std::make_unique<ScriptedRequest>(replies);
        };
    }

    void Open(const QString& method, const QString& url, bool) override {
        method_ = method;
        url_ = url;
        state_ = 1;
    }
    void Send() override {
        replies_->Sent << method_ + " " + url_;
        state_ = 4;
    }
    void Abort() override { state_ = 0; }
    int32_t readyState() const override { return state_; }
    int32_t Status() const override { return replies_->Status; }
    QString StatusText() const override { return QStringLiteral("OK"); }
    QString ResponseText() const override { return replies_->Body; }
    void SetTimeouts(int32_t, int32_t, int32_t, int32_t) override {}
    void SetRequestHeader(const QString&, const QString&) override {}

private:
    std::shared_ptr<ScriptedReplies> replies_;
    QString method_;
    QString url_;
    int32_t state_ = 0;
};
