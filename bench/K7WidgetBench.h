#pragma once

// What benchmark programs that time controls share: their main function (real widgets, so it
// makes the application object first, on the offscreen platform unless the caller chose one) and
// a request object that feeds a control a fixed reply without a network.

#include "K7Bench.h"

#include "service/HttpRequestObject.h"

#include <QApplication>
#include <QString>

#include <memory>
#include <string>

namespace k7::bench {

// A request object that answers every exchange with HTTP 200 and one fixed body.
class CannedRequest : public HttpRequestObject {
public:
    explicit CannedRequest(const QString& body) : body_(body) {}
    // For ServiceControl::SetRequestFactory.
    static auto Factory(const QString& body) {
        return [body](bool) -> std::unique_ptr<HttpRequestObject> {
            return std::make_unique<CannedRequest>(body);
        };
    }
    void Open(const QString&, const QString&, bool) override { state_ = 1; }
    void Send() override { state_ = 4; }
    void Abort() override { state_ = 0; }
    int32_t readyState() const override { return state_; }
    int32_t Status() const override { return 200; }
    QString StatusText() const override { return QStringLiteral("OK"); }
    QString ResponseText() const override { return body_; }
    void SetTimeouts(int32_t, int32_t, int32_t, int32_t) override {}
    void SetRequestHeader(const QString&, const QString&) override {}

private:
    QString body_;
    int32_t state_ = 0;
};

inline int WidgetMain(int argc, char** argv, const std::string& ours) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    return Main(argc, argv, ours);
}

} // namespace k7::bench
