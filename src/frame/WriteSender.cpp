#include "frame/WriteSender.h"

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
    RestClient client(factory_);
    client.SetAPIHost(apiHost);
    client.SetRequestHeader(QStringLiteral("Idempotency-Key"), write.Key);
    const QString text = SendThrough(client, verb, path, query);
    write.Status = client.LastStatus();
    write.Message.clear();

    Reply reply;
    try {
        auto document = JsonBag::Create();
        document->SetJSON(text);
        reply.Document = document;
        const Variant message(QStringLiteral("message"));
        // With no reply this is the REST client's failure text; the line end the platform's
        // descriptions carry is no part of a message.
        if (document->Exists(message) && !document->Item(message).IsNull() && !document->ItemIsJSON(message))
            write.Message = document->Item(message).ToText().trimmed();
        reply.Accepted = Envelope::Accepts(rule, *document);
    } catch (...) {
        reply.Failure = std::current_exception();
        reply.Accepted = false;
    }
    // With no reply the text is the client's failure envelope, never a success by either rule.
    write.Verdict = reply.Accepted      ? WriteVerdict::Booked
                    : write.Status != 0 ? WriteVerdict::Refused
                                        : WriteVerdict::Unknown;
    return reply;
}

} // namespace k7
