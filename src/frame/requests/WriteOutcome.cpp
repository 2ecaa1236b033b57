#include "frame/requests/WriteOutcome.h"

namespace k7 {

QString WriteOutcome::VerdictName(WriteVerdict verdict) {
    switch (verdict) {
    case WriteVerdict::Booked:
        return QStringLiteral("booked");
    case WriteVerdict::Refused:
        return QStringLiteral("refused");
    case WriteVerdict::Unknown:
        return QStringLiteral("unknown");
    }
    return {};
}

} // namespace k7
