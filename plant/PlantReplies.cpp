#include "PlantReplies.h"

#include "PlantEnvelope.h"
#include "PlantModel.h"
#include "PlantTime.h"

#include "core/RuntimeError.h"
#include "json/JsonBag.h"

#include <QUrl>

#include <limits>

namespace k7::plant {

namespace {

using Bag = std::shared_ptr<JsonBag>;

PlantReply Refused(const Refusal& refusal) {
    return PlantReply{200, {}, PlantReplies::FailureBody(refusal.Status, refusal.Message)};
}

PlantReply UnknownProcess(const QString& process) {
    return Refused(Refusal{PlantStatus::UnknownProcess, "Unknown process '" + process + "'"});
}

PlantReply HttpFailure(int status, const QString& reason, const QString& message) {
    return PlantReply{status, reason, PlantReplies::FailureBody(status, message)};
}

// A follow-up figure travels as an object of its own: {"value": n}.
void AddFigure(const Bag& period, const char* name, const Variant& value) {
    period->AddNewObject(Variant(name))->SetItem("value", value);
}

} // namespace

PlantReplies::PlantReplies(PlantModel& model) : model_(model) {
    routes_ = {
        {"GET", {"processes", "prod"}, &PlantReplies::AnswerProduct},
        {"GET", {"processes", "cycleTime"}, &PlantReplies::AnswerCycleTime},
        {"GET", {"processes", "kpis", "dashboard"}, &PlantReplies::AnswerDashboard},
        {"GET", {"processes", "kpis", "followup"}, &PlantReplies::AnswerFollowUp},
        {"GET", {"processes", "*", "scrapcauses", "top"}, &PlantReplies::AnswerScrapCauses},
        {"POST", {"results"}, &PlantReplies::AnswerScrapBooking},
        {"GET", {"statuses", "fai"}, &PlantReplies::AnswerFai},
        {"GET", {"statuses", "top"}, &PlantReplies::AnswerDowntimes},
        {"PATCH", {"statuses", "*"}, &PlantReplies::AnswerJustification},
    };
}

QByteArray PlantReplies::FailureBody(int status, const QString& message) {
    const Bag document = JsonBag::Create();
    document->SetItem("status", Variant(int32_t{status}));
    document->AddNewArray("data");
    document->SetItem("message", Variant(message));
    return document->JSON().toUtf8();
}

QString PlantReplies::NormalisePath(const QString& path) {
    qsizetype slashes = 0;
    while (slashes < path.size() && path[slashes] == QChar('/'))
        ++slashes;
    return path.mid(slashes);
}

bool PlantReplies::Matches(const QStringList& pattern, const QStringList& segments) {
    if (pattern.size() != segments.size())
        return false;
    for (qsizetype i = 0; i < pattern.size(); ++i)
        if (pattern[i] != "*" ? pattern[i] != segments[i] : segments[i].isEmpty())
            return false;
    return true;
}

PlantReply PlantReplies::Answer(const QString& requestMethod, const QByteArray& target, Date now) {
    // HEAD asks what GET would answer; the server leaves the body out.
    const QString method = requestMethod == "HEAD" ? QString("GET") : requestMethod;
    const qsizetype mark = target.indexOf('?');
    const QString path = QUrl::fromPercentEncoding(mark < 0 ? target : target.left(mark));
    const QByteArray rawQuery = mark < 0 ? QByteArray() : target.mid(mark + 1);

    const QString relative = NormalisePath(path);
    const qsizetype slashes = path.size() - relative.size();
    const QStringList segments = relative.split('/');
    const Route* sameMethod = nullptr;
    const Route* otherMethod = nullptr;
    if (slashes == 1 || slashes == 2) {
        for (const Route& route : routes_) {
            if (!Matches(route.Pattern, segments))
                continue;
            if (method == route.Method) {
                sameMethod = &route;
                break;
            }
            if (!otherMethod)
                otherMethod = &route;
        }
    }
    if (!sameMethod && otherMethod)
        return HttpFailure(405, {}, QString("Use %1 for %2").arg(otherMethod->Method, relative));
    if (!sameMethod)
        return HttpFailure(404, {}, QString("The plant has no endpoint %1 %2").arg(method, path));

    return AnswerQuery(
        rawQuery, [&](const PlantQuery& query) { return (this->*sameMethod->Handle)(segments, query, now); });
}

PlantReply PlantReplies::AnswerQuery(const QByteArray& rawQuery,
                                     const std::function<PlantReply(const PlantQuery&)>& answer) {
    try {
        return answer(PlantQuery(rawQuery));
    } catch (const PlantQuery::Invalid& invalid) {
        const QString reason = QString::fromStdString(invalid.what());
        return HttpFailure(400, reason, reason);
    } catch (const RuntimeError& error) {
        // Only a window that reaches past the dates the runtime can hold gets here.
        const QString reason =
            "The query asks for dates the plant cannot represent (" + error.FailureText() + ")";
        return HttpFailure(400, reason, reason);
    }
}

void PlantReplies::RequireCaller(const PlantQuery& query) {
    query.Text("session");
    query.Text("company");
}

PlantReply PlantReplies::AnswerProduct(const QStringList&, const PlantQuery& query, Date) {
    const QString process = query.Text("process");
    RequireCaller(query);
    const PlantProcess* line = model_.Find(process);
    if (!line)
        return UnknownProcess(process);
    PlantEnvelope envelope;
    const Bag product = envelope.Data->AddNewObject();
    product->SetItem("Id_prod", line->ProductCode);
    product->SetItem("Process", Variant(line->Id));
    return envelope.Finish();
}

PlantReply PlantReplies::AnswerScrapCauses(const QStringList& segments, const PlantQuery& query, Date now) {
    const QString process = segments[1];
    RequireCaller(query);
    if (!model_.Find(process))
        return UnknownProcess(process);
    PlantEnvelope envelope;
    for (const ScrapCause& cause : model_.TopScrapCauses(process, now))
        envelope.Data->AddNewObject()->SetItem("Scrap",
                                               Variant(QString("%1-%2").arg(cause.Id).arg(cause.Text)));
    return envelope.Finish();
}

PlantReply PlantReplies::AnswerScrapBooking(const QStringList&, const PlantQuery& query, Date now) {
    const QString process = query.Text("process");
    const int32_t cause = query.Whole("result", 0, std::numeric_limits<int32_t>::max());
    RequireCaller(query);
    const int32_t quantity =
        query.Whole("quantityA", std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    if (!model_.Find(process))
        return UnknownProcess(process);
    if (const auto refusal = model_.BookScrap(process, cause, quantity, now))
        return Refused(*refusal);
    PlantEnvelope envelope(false);
    envelope.Data->SetItem("process", Variant(process));
    envelope.Data->SetItem("result", Variant(cause));
    envelope.Data->SetItem("quantityA", Variant(quantity));
    envelope.Data->SetItem("booked", Variant(PlantTime::Stamp(PlantTime::Seconds(now))));
    return envelope.Finish();
}

PlantReply PlantReplies::AnswerFai(const QStringList&, const PlantQuery& query, Date now) {
    const QString process = query.Text("process");
    RequireCaller(query);
    if (!model_.Find(process))
        return UnknownProcess(process);
    PlantEnvelope envelope;
    // The machine's own state comes first, as on the plant's status board; the FAI, when one
    // waits, follows it.
    const Bag state = envelope.Data->AddNewObject();
    state->SetItem("id_tu", Variant(model_.MachineState(process, now)));
    state->SetItem("machdate", Variant(process + PlantTime::Stamp(model_.CurrentCycle(process, now).Start)));
    if (const auto fai = model_.Fai(process, now)) {
        const Bag entry = envelope.Data->AddNewObject();
        entry->SetItem("id_tu", Variant("FAI"));
        entry->SetItem("machdate", Variant(process + PlantTime::Stamp(fai->Start)));
        entry->SetItem("end", Variant(PlantTime::Stamp(fai->End())));
        entry->SetItem("secs", Variant(fai->Seconds));
        entry->SetItem("id", Variant(fai->Id));
    }
    return envelope.Finish();
}

PlantReply PlantReplies::AnswerDowntimes(const QStringList&, const PlantQuery& query, Date) {
    const QString process = query.Text("process");
    RequireCaller(query);
    const PlantProcess* line = model_.Find(process);
    if (!line)
        return UnknownProcess(process);
    PlantEnvelope envelope;
    for (const DowntimeReason& reason : line->Downtimes) {
        const Bag entry = envelope.Data->AddNewObject();
        entry->SetItem("Id", Variant(reason.Id));
        entry->SetItem("Description", Variant(reason.Text));
    }
    return envelope.Finish();
}

PlantReply PlantReplies::AnswerJustification(const QStringList& segments, const PlantQuery& query, Date now) {
    const QString downtime = query.Text("id_tu");
    RequireCaller(query);
    if (const auto refusal = model_.JustifyFai(segments[1], downtime, now))
        return Refused(*refusal);
    PlantEnvelope envelope(false);
    envelope.Data->SetItem("id", Variant(segments[1]));
    envelope.Data->SetItem("id_tu", Variant(downtime));
    return envelope.Finish();
}

PlantReply PlantReplies::AnswerDashboard(const QStringList&, const PlantQuery& query, Date now) {
    const QString process = query.Text("process");
    const Date from = query.Timestamp("datefrom");
    const Date to = query.Timestamp("dateto");
    RequireCaller(query);
    if (Dates::DiffSeconds(from, to) < 0)
        throw PlantQuery::Invalid("Query parameter 'dateto' lies before 'datefrom'");
    if (PlantModel::DayCount(from, to) > PlantModel::MaxDays)
        throw PlantQuery::Invalid(QString("The dashboard covers at most %1 days").arg(PlantModel::MaxDays));
    if (!model_.Find(process))
        return UnknownProcess(process);
    PlantEnvelope envelope;
    for (const DayFigures& day : model_.Days(process, from, to, now)) {
        const Bag entry = envelope.Data->AddNewObject();
        entry->SetItem("Date", Variant(PlantTime::Stamp(day.Start)));
        entry->SetItem("OEE", Variant(day.Oee));
        entry->SetItem("OEETargetGreen", Variant(day.TargetGreen));
        entry->SetItem("OEETargetYellow", Variant(day.TargetYellow));
    }
    return envelope.Finish();
}

PlantReply PlantReplies::AnswerCycleTime(const QStringList&, const PlantQuery& query, Date now) {
    const QString process = query.Text("process");
    RequireCaller(query);
    const PlantProcess* line = model_.Find(process);
    if (!line)
        return UnknownProcess(process);
    const Cycle cycle = model_.CurrentCycle(process, now);
    PlantEnvelope envelope;
    const Bag entry = envelope.Data->AddNewObject();
    entry->SetItem("CycleT", Variant(int32_t{line->CycleTarget}));
    entry->SetItem("Val", Variant(cycle.Counter));
    entry->SetItem("DateTime", Variant(PlantTime::Stamp(cycle.Start)));
    return envelope.Finish();
}

PlantReply PlantReplies::AnswerFollowUp(const QStringList&, const PlantQuery& query, Date now) {
    const QString process = query.Text("process");
    const Date from = query.Timestamp("datefrom");
    const Date to = query.Timestamp("dateto");
    RequireCaller(query);
    const bool planned = query.Whole("planned", 0, 1) == 1;
    const int32_t hourly = query.Whole("hourly", 0, 24 * PlantModel::MaxDays);
    if (Dates::DiffSeconds(from, to) < 0)
        throw PlantQuery::Invalid("Query parameter 'dateto' lies before 'datefrom'");
    if (PlantModel::PeriodCount(from, to, hourly) > PlantModel::MaxPeriods)
        throw PlantQuery::Invalid(QString("The follow-up covers at most %1 periods; choose a larger 'hourly'")
                                      .arg(PlantModel::MaxPeriods));
    if (!model_.Find(process))
        return UnknownProcess(process);
    PlantEnvelope envelope;
    for (const PeriodFigures& figures : model_.Periods(process, from, to, hourly, planned, now)) {
        const Bag period = envelope.Data->AddNewObject();
        AddFigure(period, "PeriodStart", Variant(PlantTime::Stamp(figures.Start)));
        AddFigure(period, "PeriodEnd", Variant(PlantTime::Stamp(figures.End)));
        AddFigure(period, "OEETheoricalQuantity", Variant(figures.OeeTheoretical));
        AddFigure(period, "PETheoricalQuantity", Variant(figures.PeTheoretical));
        AddFigure(period, "Activity", Variant(figures.Activity));
        AddFigure(period, "OEEPlannedQuantityGreen", Variant(figures.OeePlannedGreen));
        AddFigure(period, "OEEPlannedQuantityYellow", Variant(figures.OeePlannedYellow));
        AddFigure(period, "PEPlannedQuantityGreen", Variant(figures.PePlannedGreen));
        AddFigure(period, "PEPlannedQuantityYellow", Variant(figures.PePlannedYellow));
        AddFigure(period, "SpeedTargetGreen", Variant(figures.SpeedGreen));
        AddFigure(period, "SpeedTargetYellow", Variant(figures.SpeedYellow));
        AddFigure(period, "OEETargetGreen", Variant(figures.OeeTargetGreen));
        AddFigure(period, "OEETargetYellow", Variant(figures.OeeTargetYellow));
        AddFigure(period, "ProducedQuantity", Variant(figures.Produced));
        AddFigure(period, "ScrapQuantity", Variant(figures.Scrap));
        AddFigure(period, "ReworkQuantity", Variant(figures.Rework));
        AddFigure(period, "GoodQuantity", Variant(figures.Good));
        AddFigure(period, "OEE", Variant(figures.Oee));
    }
    return envelope.Finish();
}

} // namespace k7::plant
