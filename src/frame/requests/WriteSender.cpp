#include "frame/requests/WriteSender_p.h"

#include "json/JsonBag.h"

#include <QUuid>

namespace k7 {

WriteSender::WriteSender(RestClient::RequestFactory factory) : factory_(std::move(factory)) {}

WriteOutcome WriteSender::NewWrite(HttpVerb verb, const QString& url) {
    WriteOutcome write;
    write.Verb = HttpVerbName(verb);
    write.Url = url;
    write.Time = QDateTime::currentDateTime();
    write.Key = QUuid::createUuid().toString(QUuid::WithoutBraces);
    return write;
}

WriteSender::Reply WriteSender::Send(WriteOutcome& write, HttpVerb verb, const QString& apiHost,
                                     const QString& path, const QString& query, Judgement rule) const {
    return Judge(write, ExchangeWithService(factory_, apiHost, verb, path, query, write.Key), rule);
}

WriteSender::Reply WriteSender::Judge(WriteOutcome& write, const ServiceReply& sent, Judgement rule) {
    write.Status = sent.Status;
    write.Message.clear();
    write.NotJson = false;

    Reply reply;
    try {
        auto document = JsonBag::Create();
        document->SetJSON(sent.Text);
        reply.Document = document;
        // With no reply this is the REST client's failure text.
        write.Message = ReplyMessage(*document);
        reply.Accepted = Envelope::Accepts(rule, *document);
    } catch (...) {
        reply.Failure = std::current_exception();
        reply.Accepted = false;
        write.NotJson = sent.Status != 0 && !reply.Document;
    }
    // With no reply the text is the client's failure envelope, never a success by either rule.
    write.Verdict = reply.Accepted      ? WriteVerdict::Booked
                    : write.Status != 0 ? WriteVerdict::Refused
                                        : WriteVerdict::Unknown;
    return reply;
}

bool WriteSender::SettledByAnswer(WriteVerdict verdict, int32_t status, bool notJson) {
    constexpr int32_t kRequestTimeout = 408;
    constexpr int32_t kTooManyRequests = 429;
    switch (verdict) {
    case WriteVerdict::Booked:
        return true;
    case WriteVerdict::Unknown:
        return false;
    case WriteVerdict::Refused:
        break;
    }
    if (status == kRequestTimeout || status == kTooManyRequests || status >= 500)
        return false;
    // A client error is the service's answer on the write, whatever page carries it.
    return (status >= 400 && status < 500) || !notJson;
}

} // namespace k7
