#pragma once

#include "CycleSchedule.h"
#include "PlantProcess.h"
#include "PlantRecords.h"
#include "ProductionFigures.h"

#include "core/Date.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace k7::plant {

// The simulated plant itself, without any HTTP: its processes and products, the scrap operators
// book, the first-article inspections (FAI) that wait for a justification, the running machine
// cycles and the day and period figures derived from them.
//
// Figures are repeatable: for a given seed they depend only on the instant asked about and on the
// scrap booked so far. Time always comes in as an argument (the service passes Clock::Now()), so
// tests drive cycles, FAIs and periods exactly. Not thread-safe: the service serialises calls.
//
// Every member taking a process id requires a process of the plant (see Find); an unknown id
// throws std::out_of_range.
class PlantModel {
public:
    static constexpr uint64_t DefaultSeed = 4711;
    static constexpr int TopCauseCount = 4;          // scrap causes offered at a terminal
    static constexpr int DefaultFaiEveryCycles = 25; // a new FAI is due this many cycles after the last
    static constexpr int MaxDays = 366;              // longest dashboard window
    static constexpr int MaxPeriods = 1000;          // most follow-up periods in one reply

    // `opened`: when the plant starts; FAIs said to be pending at opening started before it.
    PlantModel(uint64_t seed, Date opened);

    const PlantProcess* Find(const QString& process) const;
    const std::vector<PlantProcess>& Processes() const { return processes_; }

    // --- scrap
    // The causes most booked in the last 24 hours, then the usual ones; at most TopCauseCount.
    std::vector<ScrapCause> TopScrapCauses(const QString& process, Date now) const;
    std::optional<Refusal> BookScrap(const QString& process, int cause, int quantity, Date now);
    const std::vector<Booking>& Bookings() const { return bookings_; }

    // --- machine state and FAI
    // "RUN", or "DOWN" during a breakdown hour.
    QString MachineState(const QString& process, Date now) const;
    // The FAI waiting on the process, raising the next one when it has come due.
    std::optional<PendingFai> Fai(const QString& process, Date now);
    // Justifies the pending FAI `faiId` with one of its process's downtime reasons.
    std::optional<Refusal> JustifyFai(const QString& faiId, const QString& downtime, Date now);
    const std::vector<Justification>& Justifications() const { return justifications_; }
    // Cycles from a justification to the next FAI (at least 1); applies to later justifications.
    void SetFaiEveryCycles(int cycles);

    // --- cycles and figures
    Cycle CurrentCycle(const QString& process, Date now) const;
    // One entry per calendar day of the window: the DayCount days ending with `to`'s day.
    std::vector<DayFigures> Days(const QString& process, Date from, Date to, Date now) const;
    // One entry per `hourly` hours from `from`, enough to cover the window up to `to`. Real figures
    // cover what has happened up to `now`; planned ones the whole period as the plan expects.
    std::vector<PeriodFigures> Periods(const QString& process, Date from, Date to, int hourly, bool planned,
                                       Date now) const;

    // Days of a dashboard window: the midnights crossed from `from` to `to`, at least one.
    static int64_t DayCount(Date from, Date to);
    // Periods of a follow-up window (0 when it is empty or `hourly` is 0).
    static int64_t PeriodCount(Date from, Date to, int hourly);

private:
    struct FaiState {
        std::optional<PendingFai> Pending;
        int64_t NextRaise = 0;
    };
    struct Line {
        PlantProcess Process;
        CycleSchedule Cycles;
        ProductionFigures Figures;
        FaiState Fai;
    };

    const Line& LineOf(const QString& process) const;
    Line& LineOf(const QString& process);
    int BookedBetween(const QString& process, int64_t from, int64_t to) const;
    int32_t InspectionSeconds(int64_t processKey, int32_t faiId) const;
    PeriodFigures RealPeriod(const Line& line, int64_t start, int64_t end, int64_t now) const;
    PeriodFigures PlannedPeriod(const Line& line, int64_t start, int64_t end) const;

    PlantNoise noise_;
    std::vector<PlantProcess> processes_;
    std::vector<Line> lines_;
    std::vector<Booking> bookings_;
    std::vector<Justification> justifications_;
    int faiEveryCycles_ = DefaultFaiEveryCycles;
    int32_t nextFaiId_ = 1001;
};

} // namespace k7::plant
