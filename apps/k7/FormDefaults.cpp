#include "FormDefaults.h"

#include "PropertyBinding.h"

#include "core/Common_p.h"
#include "frame/control/ControlBase.h"

#include <QRegularExpression>

#include <stdexcept>

namespace k7::cli {

namespace {

bool Has(const ControlBase& control, const QString& name) {
    return control.Properties().Find(name) != nullptr;
}

QString Text(const ControlBase& control, const QString& name) {
    return control.property(qPrintable(name)).toString();
}

void FillWhenEmpty(ControlBase& control, const QString& name, const QString& value) {
    if (value.isEmpty() || !Has(control, name) || !Text(control, name).isEmpty())
        return;
    PropertyBinding::WriteText(control, name, value);
}

// StartDate and EndDate of the eight-hour shift (06-14, 14-22, 22-06) that contains `now`.
std::vector<std::pair<QString, QString>> ShiftContaining(Date now) {
    const Dates::Parts parts = Dates::Split(now);
    // The night shift that began yesterday at 22:00 starts two hours before today's midnight.
    const int startHour = parts.Hour >= 22 ? 22 : parts.Hour >= 14 ? 14 : parts.Hour >= 6 ? 6 : -2;
    const Date start = Dates::AddHours(Dates::DateSerial(parts.Year, parts.Month, parts.Day), startHour);
    return {{QStringLiteral("StartDate"), Common::FormatYYYYMMDDhhmmss(start)},
            {QStringLiteral("EndDate"), Common::FormatYYYYMMDDhhmmss(Dates::AddHours(start, 8))}};
}

} // namespace

void FormDefaults::FillConnection(ControlBase& control, const Connection& connection) {
    FillWhenEmpty(control, QStringLiteral("APIHost"), connection.APIHost);
    FillWhenEmpty(control, QStringLiteral("Company"), connection.Company);
    FillWhenEmpty(control, QStringLiteral("Session"), connection.Session);
    const QString servicePath = control.property("k7ServicePath").toString();
    if (!servicePath.isEmpty() && !connection.APIHost.isEmpty()) {
        QString base = connection.APIHost;
        if (!base.endsWith(QLatin1Char('/')))
            base += QLatin1Char('/');
        FillWhenEmpty(control, QStringLiteral("URL"), base + servicePath);
    }
}

std::vector<std::pair<QString, QString>> FormDefaults::WindowDates(const QString& rule, Date now) {
    const QString trimmed = rule.trimmed();
    if (trimmed == QLatin1String("shift"))
        return ShiftContaining(now);
    if (trimmed == QLatin1String("now"))
        return {{QStringLiteral("StartDate"), Common::FormatYYYYMMDDhhmmss(now)}};
    static const QRegularExpression hours(QStringLiteral("^([0-9]{1,4})h$"));
    if (const QRegularExpressionMatch match = hours.match(trimmed); match.hasMatch()) {
        const int count = match.captured(1).toInt();
        if (count > 0)
            return {{QStringLiteral("StartDate"), Common::FormatYYYYMMDDhhmmss(Dates::AddHours(now, -count))},
                    {QStringLiteral("EndDate"), Common::FormatYYYYMMDDhhmmss(now)}};
    }
    throw std::invalid_argument(
        QStringLiteral("k7Window '%1' is none of shift, now, Nh").arg(rule).toStdString());
}

QString FormDefaults::WindowRule(const ControlBase& control) {
    const QString rule = control.property("k7Window").toString();
    if (rule.isEmpty() || !Has(control, QStringLiteral("StartDate")) ||
        !Text(control, QStringLiteral("StartDate")).isEmpty())
        return {};
    return rule;
}

bool FormDefaults::ApplyWindow(ControlBase& control, const QString& rule, Date now, WrittenDates& written) {
    WrittenDates dates = WindowDates(rule, now);
    if (dates == written)
        return false;
    for (const auto& [name, value] : dates)
        if (Has(control, name))
            PropertyBinding::WriteText(control, name, value);
    written = std::move(dates);
    return true;
}

} // namespace k7::cli
