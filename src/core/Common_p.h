#pragma once

#include "core/Date.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace k7 {

// The date and array helpers the controls share. Stateless; errors of the runtime (13 for a
// timestamp that is no number, 6 for overflow) reach the caller.
class Common {
public:
    // "YYYYMMDD" or "YYYYMMDDhhmmss" to a date; "" is the zero date.
    static Date ToDate(const QString& pStrYYYYMMDDhhmmss);
    // Back to "YYYYMMDDhhmmss" (the year not padded).
    static QString FormatYYYYMMDDhhmmss(Date pDatTime);

    // Upper bound of a 0-based array, -1 when it has no elements.
    template <class T> static int32_t SafeUbound(const std::vector<T>& pArray) {
        return static_cast<int32_t>(pArray.size()) - 1;
    }

    // Hours crossed between two timestamps and the 12-hour steps that cover them.
    static void TimeToAddDashboardOversize(const QString& pStrStartDate, const QString& pStrEndDate,
                                           int16_t& pIntHours, int16_t& pIntTimeToAdd);

    // The ceiling, as a 32-bit integer (6 outside the range).
    static int32_t RoundUpLong(double pDbl);
};

} // namespace k7
