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

    // Upper bound of a 0-based array, -1 when it has no elements or `pIntDim` names a dimension
    // it does not have.
    template <class T> static int32_t SafeUbound(const std::vector<T>& pArray, int16_t pIntDim = 0) {
        if (pIntDim != 0 && pIntDim != 1)
            return -1;
        return static_cast<int32_t>(pArray.size()) - 1;
    }
    template <class T>
    static int32_t SafeUbound(const std::vector<std::vector<T>>& pArray, int16_t pIntDim = 0) {
        if (pIntDim == 0 || pIntDim == 1)
            return static_cast<int32_t>(pArray.size()) - 1;
        if (pIntDim == 2 && !pArray.empty())
            return static_cast<int32_t>(pArray.front().size()) - 1;
        return -1;
    }

    // Hours crossed between two timestamps and the 12-hour steps that cover them.
    static void TimeToAddDashboardOversize(const QString& pStrStartDate, const QString& pStrEndDate,
                                           int16_t& pIntHours, int16_t& pIntTimeToAdd);

    // The ceiling, as a 32-bit integer (6 outside the range).
    static int32_t RoundUpLong(double pDbl);
};

} // namespace k7
