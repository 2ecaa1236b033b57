#include "PlantTime.h"

#include "core/Common_p.h"

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

} // namespace k7::plant::PlantTime
