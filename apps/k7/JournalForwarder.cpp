#include "JournalForwarder.h"

#include "core/RuntimeError.h"
#include "frame/control/ServiceControl.h"
#include "frame/requests/BackgroundRequest_p.h"
#include "frame/requests/ServiceExchange_p.h"
#include "frame/requests/WriteSender_p.h"

#include <QRandomGenerator>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace k7::cli {

namespace {

bool Settled(const WriteOutcome& write) {
    return WriteSender::SettledByAnswer(write.Verdict, write.Status, write.NotJson);
}

} // namespace

std::chrono::milliseconds ResendBackoff::Delay(int resend, double unit) const {
    // Doubled in floating point: a long outage must not overflow the shift.
    const double doubled = static_cast<double>(First.count()) * std::pow(2.0, std::max(resend - 1, 0));
    const double capped = std::min(doubled, static_cast<double>(Longest.count()));
    const double varied = capped * (1.0 + Spread * (2.0 * unit - 1.0));
    return std::chrono::milliseconds(std::llround(varied));
}

JournalForwarder::JournalForwarder(std::shared_ptr<WriteJournal> journal, RestClient::RequestFactory factory,
                                   Timing timing, QObject* parent)
    : QObject(parent), journal_(std::move(journal)), factory_(std::move(factory)),
      timing_(std::move(timing)) {
    if (!timing_.Unit)
        timing_.Unit = [] { return QRandomGenerator::global()->generateDouble(); };
    if (!timing_.After)
        timing_.After = [this](std::chrono::milliseconds wait, std::function<void()> due) {
            QTimer::singleShot(wait, this, std::move(due));
        };
}

JournalForwarder::~JournalForwarder() {
    for (auto& [id, resend] : resends_)
        if (resend.Out)
            resend.Out->Abandon();
}

void JournalForwarder::Start() {
    std::vector<WriteJournal::Entry> open;
    try {
        open = journal_->Unsettled();
    } catch (const RuntimeError&) {
        // The journal's own failure is what the status line shows; nothing can be forwarded.
        return;
    }
    for (const WriteJournal::Entry& entry : open)
        if (entry.AwaitsResend())
            Plan(entry.Id);
}

void JournalForwarder::Watch(ServiceControl& control) {
    QObject::connect(&control, &ServiceControl::WriteFinished, this, [this](const WriteOutcome& write) {
        // An entry the journal could not make cannot be forwarded; the status line says why.
        if (write.JournalId != 0 && !Settled(write) && resends_.count(write.JournalId) == 0)
            Plan(write.JournalId);
    });
}

void JournalForwarder::Plan(qint64 id) {
    Resend& resend = resends_[id];
    const std::chrono::milliseconds wait = timing_.Backoff.Delay(resend.Sent + 1, timing_.Unit());
    timing_.After(wait, [this, id] { Send(id); });
}

void JournalForwarder::Send(qint64 id) {
    const auto found = resends_.find(id);
    if (found == resends_.end() || found->second.Out)
        return;
    Resend& resend = found->second;
    // A failing journal counts as a try: the waits grow while it fails.
    ++resend.Sent;
    WriteJournal::Attempt attempt;
    try {
        // A supervisor may have settled it meanwhile (k7 journal --retry or --dismiss).
        const std::optional<WriteJournal::Entry> entry = journal_->Find(id);
        if (!entry || !entry->AwaitsResend()) {
            resends_.erase(found);
            return;
        }
        attempt = journal_->BeginAttempt(id);
    } catch (const RuntimeError&) {
        Plan(id);
        return;
    }
    resend.Out = BackgroundRequest::Start(
        *this,
        [factory = factory_, attempt] {
            return ExchangeWithService(factory, attempt.ApiHost, attempt.Verb, QString(), attempt.Query,
                                       attempt.Write.Key);
        },
        [this, id, attempt](const ServiceReply& sent) { Arrived(id, attempt, sent); });
}

void JournalForwarder::Arrived(qint64 id, WriteJournal::Attempt attempt, const ServiceReply& sent) {
    WriteSender::Judge(attempt.Write, sent, attempt.Rule);
    forwarded_.push_back(attempt.Write);
    try {
        journal_->Finish(id, attempt.Write);
    } catch (const RuntimeError&) {
        // Left pending in the file: the next run sends it once more, and its key keeps that harmless.
    }
    const auto found = resends_.find(id);
    if (found != resends_.end()) {
        found->second.Out.reset();
        if (Settled(attempt.Write))
            resends_.erase(found);
        else
            Plan(id);
    }
}

} // namespace k7::cli
