#pragma once

#include <QString>

#include <cstdint>

namespace k7::plant {

// Plain records the plant model hands out. Instants are plant seconds (PlantTime).

// The `status` values of the plant's replies.
namespace PlantStatus {
constexpr int Success = 0;
constexpr int UnknownProcess = 1;
constexpr int UnknownItem = 2; // a scrap cause, FAI or downtime the process does not have
constexpr int Refused = 3;     // a well-formed request the plant will not carry out
} // namespace PlantStatus

// Why the model declined a request; the service sends it as `status` and `message`.
struct Refusal {
    int Status = PlantStatus::Refused;
    QString Message;
};

// Scrap an operator booked.
struct Booking {
    QString Process;
    int Cause = 0;
    int Quantity = 0;
    int64_t At = 0;
};

// A first-article inspection that waits for its justification.
struct PendingFai {
    int32_t Id = 0;
    int64_t Start = 0;   // the machine stopped for the inspection
    int32_t Seconds = 0; // how long the inspection took
    int64_t End() const { return Start + Seconds; }
};

// A justified FAI.
struct Justification {
    int32_t FaiId = 0;
    QString Process;
    QString Downtime;
    int64_t At = 0;
};

// One calendar day of the OEE dashboard.
struct DayFigures {
    int64_t Start = 0; // midnight
    double Oee = 0;    // percent, 0 for a day that has not begun
    double TargetGreen = 0;
    double TargetYellow = 0;
};

// One period of the production follow-up; quantities in parts.
struct PeriodFigures {
    int64_t Start = 0;
    int64_t End = 0;
    double OeeTheoretical = 0; // parts at target speed over the period
    double PeTheoretical = 0;  // ... over its planned production time
    double Activity = 0;       // ... over the time the machine ran
    double OeePlannedGreen = 0, OeePlannedYellow = 0;
    double PePlannedGreen = 0, PePlannedYellow = 0;
    double SpeedGreen = 0, SpeedYellow = 0;
    double OeeTargetGreen = 0, OeeTargetYellow = 0; // fractions, to be multiplied by Activity
    int32_t Produced = 0;
    int32_t Scrap = 0;
    int32_t Rework = 0;
    int32_t Good = 0;
    double Oee = 0; // percent
};

} // namespace k7::plant
