#include "core/Common_p.h"

#include "core/Conversions_p.h"
#include "core/RuntimeError.h"

#include <cmath>

namespace k7 {

namespace {
// A part of a timestamp read the way a conversion to a number reads it: an empty or non-numeric
// part is a type mismatch.
double TimestampPart(const QString& text, qsizetype position, qsizetype length) {
    return TextToDouble(QStringView(text).mid(position, length));
}
} // namespace

Date Common::ToDate(const QString& pStrYYYYMMDDhhmmss) {
    const QString& text = pStrYYYYMMDDhhmmss;
    if (text.isEmpty())
        return Date(0.0);
    const int16_t year = k7::ToInteger(TimestampPart(text, 0, 4));
    const int16_t month = k7::ToInteger(TimestampPart(text, 4, 2));
    const int16_t day = k7::ToInteger(TimestampPart(text, 6, 2));
    Date result = Dates::DateSerial(year, month, day);
    if (text.size() == 14) {
        result = Dates::AddHours(result, TimestampPart(text, 8, 2));
        result = Dates::AddSeconds(result, TimestampPart(text, 10, 2) * 60.0);
        result = Dates::AddSeconds(result, TimestampPart(text, 12, 2));
    }
    return result;
}

QString Common::FormatYYYYMMDDhhmmss(Date pDatTime) {
    const Dates::Parts p = Dates::Split(pDatTime);
    QString stamp = QString::number(p.Year);
    for (const int part : {p.Month, p.Day, p.Hour, p.Minute, p.Second})
        stamp += Dates::ZeroPadded(part, 2);
    return stamp;
}

void Common::TimeToAddDashboardOversize(const QString& pStrStartDate, const QString& pStrEndDate,
                                        int16_t& pIntHours, int16_t& pIntTimeToAdd) {
    const Date start = ToDate(pStrStartDate);
    const Date end = ToDate(pStrEndDate);
    pIntHours = k7::ToInteger(static_cast<double>(Dates::DiffHours(start, end)));
    pIntTimeToAdd = k7::ToInteger(RoundUpLong(pIntHours / 12.0));
}

int32_t Common::RoundUpLong(double pDbl) {
    const double whole = std::floor(pDbl);
    return k7::ToLong(whole < pDbl ? whole + 1.0 : whole);
}

} // namespace k7
