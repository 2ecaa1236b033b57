#pragma once

#include "RecordingHost.h"
#include "ScriptedRequest.h"

#include <deque>
#include <tuple>

// Scripted replies taken in turn: each call's request object (a control makes a fresh one per call)
// takes the next queued status and body; once the queue is empty the last one keeps answering.
struct QueuedReplies : ScriptedReplies {
    std::deque<std::pair<int, QString>> Next;

    void Queue(const QString& body, int status = 200) { Next.emplace_back(status, body); }
    static auto Factory(std::shared_ptr<QueuedReplies> replies) {
        return [replies](bool) -> std::unique_ptr<k7::HttpRequestObject> {
            if (!replies->Next.empty()) {
                std::tie(replies->Status, replies->Body) = replies->Next.front();
                replies->Next.pop_front();
            }
            return std::make_unique<ScriptedRequest>(replies);
        };
    }
};

// A service control for P100, session S7, company ACME with a recording host, opened by
// Refresh(False) on the queued bodies, or on real HTTP when there are none (the simulated plant).
template <class Control> struct QueuedControl {
    QueuedControl(const QString& apiHost, std::initializer_list<QString> bodies) {
        if (bodies.size() != 0)
            control.SetRequestFactory(QueuedReplies::Factory(replies));
        for (const QString& body : bodies)
            replies->Queue(body);
        control.SetHost(&host);
        control.setAPIHost(apiHost);
        control.setProcess("P100");
        control.setSession("S7");
        control.setCompany("ACME");
        control.Refresh(false);
        replies->Sent.clear();
    }
    std::shared_ptr<QueuedReplies> replies = std::make_shared<QueuedReplies>();
    RecordingHost host;
    Control control;
};
