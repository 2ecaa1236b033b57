#include "PlantModel.h"

#include "PlantTime.h"

#include "core/Conversions_p.h"

#include <algorithm>
#include <stdexcept>

namespace k7::plant {

namespace {

constexpr uint64_t SaltInspection = 0x71;
// Share of a period planned for production (the rest are breaks), and the levels of the planned
// (PE) and speed targets.
constexpr double PlannedShare = 0.92;
constexpr double PeGreen = 0.90;
constexpr double PeYellow = 0.75;
constexpr double SpeedGreen = 0.95;
constexpr double SpeedYellow = 0.80;
// What the production plan assumes of a running machine.
constexpr double PlannedPerformance = 0.95;
constexpr double PlannedScrapRate = 0.01;

// Quantities and percentages travel with one decimal; counted parts are whole.
double OneDecimal(double value) {
    return RoundHalfEven(value * 10.0) / 10.0;
}
int32_t WholeParts(double value) {
    return ToLong(value);
}

int64_t Seconds(Date date) {
    return PlantTime::Seconds(date);
}

} // namespace

PlantModel::PlantModel(uint64_t seed, Date opened) : noise_(seed), processes_(PlantProcess::DemoPlant()) {
    const int64_t openedAt = Seconds(opened);
    lines_.reserve(processes_.size());
    for (size_t i = 0; i < processes_.size(); ++i) {
        const PlantProcess& process = processes_[i];
        const auto key = static_cast<int64_t>(i);
        Line line{process, CycleSchedule(noise_, key, process.CycleTarget),
                  ProductionFigures(noise_, key, process), FaiState{}};
        if (process.FaiPendingMinutes > 0) {
            const int64_t since = openedAt - process.FaiPendingMinutes * 60;
            PendingFai fai;
            fai.Id = nextFaiId_++;
            fai.Start = Dates::FloorDiv(since, 60) * 60; // stops are recorded to the minute
            fai.Seconds = InspectionSeconds(key, fai.Id);
            line.Fai.Pending = fai;
        } else {
            line.Fai.NextRaise = line.Cycles.StartAfter(openedAt, faiEveryCycles_);
        }
        lines_.push_back(std::move(line));
    }
}

const PlantProcess* PlantModel::Find(const QString& process) const {
    for (const Line& line : lines_)
        if (line.Process.Id == process)
            return &line.Process;
    return nullptr;
}

const PlantModel::Line& PlantModel::LineOf(const QString& process) const {
    for (const Line& line : lines_)
        if (line.Process.Id == process)
            return line;
    throw std::out_of_range("no process " + process.toStdString() + " in the plant");
}

PlantModel::Line& PlantModel::LineOf(const QString& process) {
    return const_cast<Line&>(static_cast<const PlantModel*>(this)->LineOf(process));
}

int32_t PlantModel::InspectionSeconds(int64_t processKey, int32_t faiId) const {
    // 10 to 45 minutes, whole minutes.
    return static_cast<int32_t>(60 * std::llround(noise_.Between(10, 45, SaltInspection, processKey, faiId)));
}

// --- scrap

std::vector<ScrapCause> PlantModel::TopScrapCauses(const QString& process, Date now) const {
    const Line& line = LineOf(process);
    const int64_t to = Seconds(now) + 1;
    const int64_t from = to - PlantTime::SecondsPerDay;
    std::vector<std::pair<int, ScrapCause>> ranked;
    for (const ScrapCause& cause : line.Process.Causes) {
        int booked = 0;
        for (const Booking& booking : bookings_)
            if (booking.Process == process && booking.Cause == cause.Id && booking.At >= from &&
                booking.At < to)
                booked += booking.Quantity;
        ranked.emplace_back(booked, cause);
    }
    std::stable_sort(ranked.begin(), ranked.end(), [](const auto& a, const auto& b) {
        if (a.first != b.first)
            return a.first > b.first;
        return a.second.Share > b.second.Share;
    });
    std::vector<ScrapCause> top;
    for (const auto& entry : ranked) {
        if (static_cast<int>(top.size()) == TopCauseCount)
            break;
        top.push_back(entry.second);
    }
    return top;
}

std::optional<Refusal> PlantModel::BookScrap(const QString& process, int cause, int quantity, Date now) {
    const Line& line = LineOf(process);
    const bool known = std::any_of(line.Process.Causes.begin(), line.Process.Causes.end(),
                                   [cause](const ScrapCause& c) { return c.Id == cause; });
    if (!known)
        return Refusal{PlantStatus::UnknownItem,
                       QString("Process %1 has no scrap cause %2").arg(process).arg(cause)};
    if (quantity < 0)
        return Refusal{PlantStatus::Refused, QString("Scrap quantity %1 is negative").arg(quantity)};
    bookings_.push_back(Booking{process, cause, quantity, Seconds(now)});
    return std::nullopt;
}

int PlantModel::BookedBetween(const QString& process, int64_t from, int64_t to) const {
    int booked = 0;
    for (const Booking& booking : bookings_)
        if (booking.Process == process && booking.At >= from && booking.At < to)
            booked += booking.Quantity;
    return booked;
}

// --- machine state and FAI

QString PlantModel::MachineState(const QString& process, Date now) const {
    const int64_t hour = Dates::FloorDiv(Seconds(now), PlantTime::SecondsPerHour);
    return LineOf(process).Figures.IsBreakdown(hour) ? "DOWN" : "RUN";
}

std::optional<PendingFai> PlantModel::Fai(const QString& process, Date now) {
    Line& line = LineOf(process);
    if (!line.Fai.Pending && Seconds(now) >= line.Fai.NextRaise) {
        PendingFai fai;
        fai.Id = nextFaiId_++;
        fai.Start = line.Fai.NextRaise;
        fai.Seconds = InspectionSeconds(&line - lines_.data(), fai.Id);
        line.Fai.Pending = fai;
    }
    return line.Fai.Pending;
}

std::optional<Refusal> PlantModel::JustifyFai(const QString& faiId, const QString& downtime, Date now) {
    for (Line& line : lines_) {
        Fai(line.Process.Id, now);
        if (!line.Fai.Pending || QString::number(line.Fai.Pending->Id) != faiId)
            continue;
        const auto& reasons = line.Process.Downtimes;
        const bool known = std::any_of(reasons.begin(), reasons.end(),
                                       [&downtime](const DowntimeReason& r) { return r.Id == downtime; });
        if (!known)
            return Refusal{PlantStatus::UnknownItem,
                           QString("Process %1 has no downtime reason '%2'").arg(line.Process.Id, downtime)};
        const int64_t at = Seconds(now);
        justifications_.push_back(Justification{line.Fai.Pending->Id, line.Process.Id, downtime, at});
        line.Fai.Pending.reset();
        line.Fai.NextRaise = line.Cycles.StartAfter(at, faiEveryCycles_);
        return std::nullopt;
    }
    return Refusal{PlantStatus::UnknownItem, QString("No FAI '%1' waits for a justification").arg(faiId)};
}

void PlantModel::SetFaiEveryCycles(int cycles) {
    faiEveryCycles_ = std::max(1, cycles);
}

// --- cycles and figures

Cycle PlantModel::CurrentCycle(const QString& process, Date now) const {
    return LineOf(process).Cycles.At(Seconds(now));
}

int64_t PlantModel::DayCount(Date from, Date to) {
    return std::max<int64_t>(1, Dates::DiffDays(from, to));
}

int64_t PlantModel::PeriodCount(Date from, Date to, int hourly) {
    const int64_t span = Seconds(to) - Seconds(from);
    if (hourly <= 0 || span <= 0)
        return 0;
    const int64_t step = hourly * PlantTime::SecondsPerHour;
    return (span + step - 1) / step;
}

std::vector<DayFigures> PlantModel::Days(const QString& process, Date from, Date to, Date now) const {
    const Line& line = LineOf(process);
    const int64_t count = DayCount(from, to);
    const int64_t lastDay = Dates::FloorDiv(Seconds(to), PlantTime::SecondsPerDay);
    const int64_t nowAt = Seconds(now);
    std::vector<DayFigures> days;
    days.reserve(static_cast<size_t>(count));
    for (int64_t day = lastDay - count + 1; day <= lastDay; ++day) {
        DayFigures figures;
        figures.Start = day * PlantTime::SecondsPerDay;
        figures.TargetGreen = line.Process.OeeGreen;
        figures.TargetYellow = line.Process.OeeYellow;
        const int64_t end = std::min(figures.Start + PlantTime::SecondsPerDay, nowAt);
        const Output output = line.Figures.Between(figures.Start, end);
        if (output.Theoretical > 0) {
            const double good =
                output.Produced - output.Scrap - output.Rework -
                BookedBetween(process, figures.Start, figures.Start + PlantTime::SecondsPerDay);
            figures.Oee = OneDecimal(std::max(0.0, good) / output.Theoretical * 100.0);
        }
        days.push_back(figures);
    }
    return days;
}

PeriodFigures PlantModel::RealPeriod(const Line& line, int64_t start, int64_t end, int64_t now) const {
    const PlantProcess& process = line.Process;
    const Output output = line.Figures.Between(start, std::clamp(now, start, end));
    PeriodFigures figures;
    figures.Start = start;
    figures.End = end;
    figures.OeeTheoretical = output.Theoretical;
    figures.PeTheoretical = output.Theoretical * PlannedShare;
    figures.Activity = output.Activity;
    figures.Produced = WholeParts(output.Produced);
    figures.Scrap = WholeParts(output.Scrap) + BookedBetween(process.Id, start, end);
    figures.Rework = WholeParts(output.Rework);
    return figures;
}

PeriodFigures PlantModel::PlannedPeriod(const Line& line, int64_t start, int64_t end) const {
    const PlantProcess& process = line.Process;
    PeriodFigures figures;
    figures.Start = start;
    figures.End = end;
    figures.OeeTheoretical =
        static_cast<double>(end - start) / PlantTime::SecondsPerHour * process.PartsPerHour();
    figures.PeTheoretical = figures.OeeTheoretical * PlannedShare;
    figures.Activity = figures.OeeTheoretical * process.Availability;
    figures.Produced = WholeParts(figures.Activity * PlannedPerformance);
    figures.Scrap = WholeParts(figures.Produced * PlannedScrapRate);
    return figures;
}

std::vector<PeriodFigures> PlantModel::Periods(const QString& process, Date from, Date to, int hourly,
                                               bool planned, Date now) const {
    const Line& line = LineOf(process);
    const int64_t count = PeriodCount(from, to, hourly);
    const int64_t step = hourly * PlantTime::SecondsPerHour;
    const int64_t first = Seconds(from);
    const double green = line.Process.OeeGreen / 100.0;
    const double yellow = line.Process.OeeYellow / 100.0;
    std::vector<PeriodFigures> periods;
    periods.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i) {
        const int64_t start = first + i * step;
        PeriodFigures figures = planned ? PlannedPeriod(line, start, start + step)
                                        : RealPeriod(line, start, start + step, Seconds(now));
        figures.Good = std::max(0, figures.Produced - figures.Scrap - figures.Rework);
        figures.Oee =
            figures.OeeTheoretical > 0 ? OneDecimal(figures.Good / figures.OeeTheoretical * 100.0) : 0;
        figures.OeePlannedGreen = OneDecimal(figures.OeeTheoretical * green);
        figures.OeePlannedYellow = OneDecimal(figures.OeeTheoretical * yellow);
        figures.PePlannedGreen = OneDecimal(figures.PeTheoretical * PeGreen);
        figures.PePlannedYellow = OneDecimal(figures.PeTheoretical * PeYellow);
        figures.SpeedGreen = OneDecimal(figures.Activity * SpeedGreen);
        figures.SpeedYellow = OneDecimal(figures.Activity * SpeedYellow);
        figures.OeeTargetGreen = green;
        figures.OeeTargetYellow = yellow;
        figures.OeeTheoretical = OneDecimal(figures.OeeTheoretical);
        figures.PeTheoretical = OneDecimal(figures.PeTheoretical);
        figures.Activity = OneDecimal(figures.Activity);
        periods.push_back(figures);
    }
    return periods;
}

} // namespace k7::plant
