// Feeds arbitrary text to the timestamp reader. It may refuse the text with a runtime error but
// must not crash; a well-formed "YYYYMMDDhhmmss" with every field in range must format back to
// exactly the same text.

#include "core/Common_p.h"
#include "core/RuntimeError.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

int Field(const QString& text, int position, int length) {
    return text.mid(position, length).toInt();
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

bool IsCanonicalTimestamp(const QString& text) {
    if (text.size() != 14)
        return false;
    for (QChar c : text)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const int year = Field(text, 0, 4), month = Field(text, 4, 2), day = Field(text, 6, 2);
    return year >= 1000 && month >= 1 && month <= 12 && day >= 1 && day <= DaysInMonth(year, month) &&
           Field(text, 8, 2) < 24 && Field(text, 10, 2) < 60 && Field(text, 12, 2) < 60;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    try {
        const k7::Date date = k7::Common::ToDate(text);
        if (IsCanonicalTimestamp(text)) {
            const QString written = k7::Common::FormatYYYYMMDDhhmmss(date);
            if (written != text) {
                std::fprintf(stderr, "fuzz_todate: %s came back as %s\n", text.toUtf8().constData(),
                             written.toUtf8().constData());
                std::abort();
            }
        }
    } catch (const k7::RuntimeError&) {
    }
    return 0;
}
