#include "FleetReport.h"

#include "frame/control/Description.h"
#include "json/JsonBag.h"

#include <QFileInfo>
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace k7::cli {

namespace {

Variant Number(double value) {
    return Variant(value);
}

Variant OptionalNumber(const std::optional<double>& value) {
    return value ? Variant(*value) : Variant::Null();
}

// Figures to a tenth, as a person reads them; the JSON keeps them whole.
QString Tenth(double value) {
    return QString::number(value, 'f', 1);
}

} // namespace

FleetReport::FleetReport(const TapCounts& counts, const Run& run) : counts_(counts), run_(run) {
    // Only whole seconds count: the last part-second would read as a drop in the rate.
    const int whole = std::max(0, static_cast<int>(std::floor(run.Seconds)));
    perSecond_ = counts.PerSecond;
    perSecond_.resize(whole, 0);
    opened_ = std::min(whole, static_cast<int>(std::ceil(run.OpeningSeconds)));
    load_ = RateOver(opened_ < whole ? opened_ : 0, whole).value_or(Rate{});
    p50_ = Percentile(counts.LatencyMs, 0.5);
    p99_ = Percentile(counts.LatencyMs, 0.99);
    if (run.OutageFrom && run.OutageTo) {
        // Whole seconds only: the one the service stopped in and the one it came back in are
        // neither steady nor after.
        const int stopped = static_cast<int>(std::floor(*run.OutageFrom));
        if (const auto before = RateOver(std::max(opened_, stopped - kSteadySeconds), stopped)) {
            steady_ = before->Mean;
            peakBefore_ = before->Peak;
        }
        const int back = static_cast<int>(std::ceil(*run.OutageTo));
        if (const auto after = RateOver(back, std::min(whole, back + kAfterOutageSeconds)))
            peakAfter_ = after->Peak;
        if (steady_ && peakAfter_ && *steady_ > 0)
            peakRatio_ = *peakAfter_ / *steady_;
    }
}

std::optional<FleetReport::Rate> FleetReport::RateOver(int from, int to) const {
    if (to <= from)
        return std::nullopt;
    const auto first = perSecond_.begin() + from, last = perSecond_.begin() + to;
    return Rate{std::accumulate(first, last, 0.0) / (to - from), *std::max_element(first, last)};
}

double FleetReport::Percentile(std::vector<float> values, double fraction) {
    if (values.empty())
        return 0;
    const auto rank = static_cast<size_t>(std::ceil(fraction * static_cast<double>(values.size())));
    const auto nth =
        values.begin() + static_cast<std::ptrdiff_t>(std::clamp<size_t>(rank, 1, values.size()) - 1);
    std::nth_element(values.begin(), nth, values.end());
    return *nth;
}

std::shared_ptr<JsonBag> FleetReport::Json() const {
    auto document = JsonBag::Create();
    Description report(document);
    report.Field(QStringLiteral("form"), Variant(run_.Form))
        .Field(QStringLiteral("service"), Variant(run_.Service))
        .Field(QStringLiteral("terminals"), Number(run_.Terminals))
        .Field(QStringLiteral("seconds"), Number(run_.Seconds));

    Description requests = report.Object(QStringLiteral("requests"));
    requests.Field(QStringLiteral("total"), Number(static_cast<double>(counts_.Requests)))
        .Field(QStringLiteral("unanswered"), Number(static_cast<double>(counts_.Unanswered)))
        .Field(QStringLiteral("meanPerSecond"), Number(load_.Mean))
        .Field(QStringLiteral("peakPerSecond"), Number(load_.Peak))
        .Field(QStringLiteral("openingSeconds"), Number(opened_));
    const std::shared_ptr<JsonBag> bySecond =
        requests.Bag()->AddNewArray(Variant(QStringLiteral("bySecond")));
    for (const int count : perSecond_)
        bySecond->SetItem(Variant::Null(), Number(count));

    Description paths = report.Object(QStringLiteral("paths"));
    for (const auto& [path, count] : counts_.Paths)
        paths.Field(path, Number(static_cast<double>(count)));

    report.Object(QStringLiteral("connections"))
        .Field(QStringLiteral("opened"), Number(static_cast<double>(counts_.ConnectionsOpened)))
        .Field(QStringLiteral("peak"), Number(counts_.ConnectionsPeak))
        .Field(QStringLiteral("atEnd"), Number(counts_.ConnectionsOpen));
    report.Object(QStringLiteral("latencyMs"))
        .Field(QStringLiteral("p50"), Number(p50_))
        .Field(QStringLiteral("p99"), Number(p99_))
        .Field(QStringLiteral("answered"), Number(static_cast<double>(counts_.LatencyMs.size())));

    if (!run_.OutageFrom || !run_.OutageTo) {
        report.Field(QStringLiteral("outage"), Variant::Null());
        return document;
    }
    Description outage = report.Object(QStringLiteral("outage"));
    outage.Field(QStringLiteral("from"), Number(*run_.OutageFrom))
        .Field(QStringLiteral("to"), Number(*run_.OutageTo))
        .Field(QStringLiteral("steadyPerSecond"), OptionalNumber(steady_))
        .Field(QStringLiteral("peakBefore"), OptionalNumber(peakBefore_))
        .Field(QStringLiteral("peakAfter"), OptionalNumber(peakAfter_))
        .Field(QStringLiteral("peakRatio"), OptionalNumber(peakRatio_))
        .Field(QStringLiteral("allFreshAfter"), OptionalNumber(run_.AllFreshAfter));
    Description notFresh = outage.Object(QStringLiteral("notFresh"));
    for (const auto& [name, copies] : run_.NotFresh)
        notFresh.Field(name, Number(copies));
    return document;
}

QString FleetReport::Text() const {
    QStringList lines;
    lines << QStringLiteral("k7 fleet: %1 copies of %2 for %3 s against %4")
                 .arg(run_.Terminals)
                 .arg(QFileInfo(run_.Form).fileName(), Tenth(run_.Seconds), run_.Service);
    lines << QStringLiteral("requests: %1 (%2 unanswered), %3/s mean and %4/s at peak after the %5 s opening")
                 .arg(counts_.Requests)
                 .arg(counts_.Unanswered)
                 .arg(Tenth(load_.Mean))
                 .arg(load_.Peak)
                 .arg(opened_);
    lines << QStringLiteral("connections: %1 held at peak, %2 at the end, %3 opened")
                 .arg(counts_.ConnectionsPeak)
                 .arg(counts_.ConnectionsOpen)
                 .arg(counts_.ConnectionsOpened);
    lines << QStringLiteral("latency: p50 %1 ms, p99 %2 ms over %3 answers")
                 .arg(Tenth(p50_), Tenth(p99_))
                 .arg(counts_.LatencyMs.size());
    for (const auto& [path, count] : counts_.Paths)
        lines << QStringLiteral("  %1  %2").arg(count, 8).arg(path);
    if (run_.OutageFrom && run_.OutageTo) {
        const auto figure = [](const std::optional<double>& value, const QString& unit) {
            return value ? Tenth(*value) + unit : QStringLiteral("n/a");
        };
        QString outage = QStringLiteral("outage %1-%2 s: %3 before, peak %4 within %5 s after (%6)")
                             .arg(Tenth(*run_.OutageFrom), Tenth(*run_.OutageTo))
                             .arg(figure(steady_, "/s"), figure(peakAfter_, "/s"))
                             .arg(kAfterOutageSeconds)
                             .arg(figure(peakRatio_, "x steady"));
        if (run_.AllFreshAfter) {
            outage += QStringLiteral("; every copy fresh %1 s after").arg(Tenth(*run_.AllFreshAfter));
        } else {
            QStringList waiting;
            for (const auto& [name, copies] : run_.NotFresh)
                waiting << QStringLiteral("%1 in %2 copies").arg(name).arg(copies);
            outage += QStringLiteral("; not fresh at the end: ") + waiting.join(QStringLiteral(", "));
        }
        lines << outage;
    }
    return lines.join('\n') + '\n';
}

} // namespace k7::cli
