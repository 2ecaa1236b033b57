#pragma once

#include "service/HttpRequestObject.h"

#include <QStringList>

#include <memory>

// A request object that answers every Send with a scripted status and body and remembers what it
// was asked, so loader tests run without a server. The end-to-end rows use real HTTP.
struct ScriptedReplies {
    int Status = 200;
    QString Reason = "OK";
    QString Body = "{}";
    QStringList Sent;    // "METHOD url", in order
    QStringList Headers; // "Name: value", in order
};

class ScriptedRequest : public k7::HttpRequestObject {
public:
    explicit ScriptedRequest(std::shared_ptr<ScriptedReplies> replies) : replies_(std::move(replies)) {}

    // The factory a control's SetRequestFactory takes.
    static auto Factory(std::shared_ptr<ScriptedReplies> replies) {
        return [replies](bool) -> std::unique_ptr<k7::HttpRequestObject> {
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
    QString StatusText() const override { return replies_->Reason; }
    QString ResponseText() const override { return replies_->Body; }
    void SetTimeouts(int32_t, int32_t, int32_t, int32_t) override {}
    void SetRequestHeader(const QString& name, const QString& value) override {
        replies_->Headers << name + ": " + value;
    }

private:
    std::shared_ptr<ScriptedReplies> replies_;
    QString method_;
    QString url_;
    int32_t state_ = 0;
};
