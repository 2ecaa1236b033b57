#pragma once

#include "frame/requests/Envelope.h"
#include "frame/requests/HttpVerb.h"
#include "frame/requests/ServiceExchange_p.h"
#include "frame/requests/WriteOutcome.h"
#include "service/RestClient.h"

#include <exception>
#include <memory>

namespace k7 {

class JsonBag;

// Sends one write (POST, PATCH, DELETE) to the plant's service with its idempotency key and judges
// what came back by the rule of the control that made it. A control's write and a retry from the
// write journal both go through here, so a retry is judged exactly as the first send was.
class WriteSender {
public:
    // Where the REST client gets its request objects (the real one when empty).
    explicit WriteSender(RestClient::RequestFactory factory = {});

    // A write about to go to `url`, with a fresh key and the time now.
    static WriteOutcome NewWrite(HttpVerb verb, const QString& url);

    struct Reply {
        std::shared_ptr<JsonBag> Document; // the reply as parsed; null when it was no JSON
        bool Accepted = false;             // the rule judged it a success
        std::exception_ptr Failure;        // what parsing or judging raised (for the control's trap)
    };

    // Sends `write` (its Url split as APIHost and query; its Key as the Idempotency-Key header) and
    // fills in its Status, Message and Verdict. Never raises for what the service or the network
    // does; those go into the verdict.
    Reply Send(WriteOutcome& write, HttpVerb verb, const QString& apiHost, const QString& path,
               const QString& query, Judgement rule) const;
    // The second half of Send on its own, for a write whose exchange ran elsewhere (a worker
    // thread): parses and judges what came back and fills in `write`.
    static Reply Judge(WriteOutcome& write, const ServiceReply& sent, Judgement rule);

    // Whether an answer settles a write for good, so that sending it again under its key cannot
    // change the outcome: booked, or refused by the service itself (the control's rule on a JSON
    // reply, or any other HTTP 4xx). No answer, the statuses that say "not now" (5xx, 408 Request
    // Timeout, 429 Too Many Requests) and a reply that is no JSON leave it open.
    static bool SettledByAnswer(WriteVerdict verdict, int32_t status, bool notJson);

private:
    RestClient::RequestFactory factory_;
};

} // namespace k7
