#include "PlantTime.h"

#include "core/Common.h"

namespace k7::plant::PlantTime {

int64_t Seconds(Date date) {
    return Dates::DiffSeconds(Date(), date);
}

Date ToDate(int64_t seconds) {
    return Dates::AddSeconds(Date(), static_cast<double>(seconds));
}

QString Stamp(int64_t seconds) {
    return Common::FormatYYYYMMDDhhmmss(ToDate(seconds));
}

int64_t FloorDiv(int64_t value, int64_t divisor) {
    int64_t quotient = value / divisor;
    if (value % divisor != 0 && ((value < 0) != (divisor < 0)))
        --quotient;
    return quotient;
}

} // namespace k7::plant::PlantTime
