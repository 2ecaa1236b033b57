#pragma once

#include "RecordingHost.h"
#include "ScriptedRequest.h"

#include "frame/properties/PropertyBag.h"

#include <initializer_list>

// Opened: by Refresh(False) on the first replies. Unopened: restored from an empty store, as a host
// restores a control it holds no properties for, and left for the test to set up and open.
enum class Start { Opened, Unopened };

// A service control for P100, session S7, company ACME with a recording host. The simulated plant
// listens on 127.0.0.1, where a control talks real HTTP; any other APIHost gets the queued replies.
template <class Control> struct QueuedControl {
    QueuedControl(const QString& apiHost, std::initializer_list<QueuedReply> queued,
                  Start start = Start::Opened) {
        if (start == Start::Unopened)
            control.ReadProperties(k7::PropertyBag());
        if (!apiHost.startsWith("http://127.0.0.1"))
            control.SetRequestFactory(ScriptedRequest::Factory(replies));
        replies->Next.assign(queued.begin(), queued.end());
        control.SetHost(&host);
        control.setAPIHost(apiHost);
        control.setProcess("P100");
        control.setSession("S7");
        control.setCompany("ACME");
        if (start == Start::Unopened)
            return;
        control.Refresh(false);
        replies->Sent.clear();
    }
    // Every later request gets this reply.
    void Reply(const QString& body, int status = 200) {
        replies->Next.clear();
        replies->Body = body;
        replies->Status = status;
    }

    std::shared_ptr<ScriptedReplies> replies = std::make_shared<ScriptedReplies>();
    RecordingHost host;
    Control control;
};
