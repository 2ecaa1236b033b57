#include "PlantQuery.h"

#include "core/Common_p.h"
#include "core/Conversions_p.h"
#include "core/RuntimeError.h"

#include <QUrl>

#include <cmath>

namespace k7::plant {

namespace {

QString Decode(const QByteArray& text) {
    return QUrl::fromPercentEncoding(text);
}

// Values are echoed in reason phrases; keep them short and on one line.
QString Quoted(const QString& value) {
    QString shown = value.left(40);
    for (QChar& c : shown)
        if (c.unicode() < 32 || c.unicode() == 127)
            c = QChar('?');
    return "'" + shown + (value.size() > 40 ? "...'" : "'");
}

bool AllDigits(const QString& text) {
    for (const QChar c : text)
        if (c < QChar('0') || c > QChar('9'))
            return false;
    return true;
}

} // namespace

PlantQuery::PlantQuery(const QByteArray& query) {
    if (query.isEmpty())
        return;
    for (const QByteArray& part : query.split('&')) {
        if (part.isEmpty())
            continue;
        const qsizetype equals = part.indexOf('=');
        const QString name = Decode(equals < 0 ? part : part.left(equals));
        const QString value = equals < 0 ? QString() : Decode(part.mid(equals + 1));
        if (Find(name))
            throw Invalid("Query parameter " + Quoted(name) + " is given twice");
        items_.emplace_back(name, value);
    }
}

const QString* PlantQuery::Find(const QString& name) const {
    for (const auto& item : items_)
        if (item.first == name)
            return &item.second;
    return nullptr;
}

bool PlantQuery::Has(const QString& name) const {
    return Find(name) != nullptr;
}

QString PlantQuery::Text(const QString& name) const {
    const QString* value = Find(name);
    if (!value)
        throw Invalid("Missing query parameter '" + name + "'");
    return *value;
}

int32_t PlantQuery::Whole(const QString& name, int32_t min, int32_t max) const {
    const QString text = Text(name);
    const std::optional<double> number = ParseNumber(text);
    if (!number || *number != std::floor(*number))
        throw Invalid("Query parameter '" + name + "' must be a whole number, not " + Quoted(text));
    if (*number < min || *number > max)
        throw Invalid(QString("Query parameter '%1' must lie between %2 and %3, not %4")
                          .arg(name)
                          .arg(min)
                          .arg(max)
                          .arg(Quoted(text)));
    return static_cast<int32_t>(*number);
}

Date PlantQuery::Timestamp(const QString& name) const {
    const QString text = Text(name);
    // Common::ToDate rolls over impossible parts (month 13, hour 25); a plant rejects them, so the
    // text must read back unchanged.
    if ((text.size() == 8 || text.size() == 14) && AllDigits(text)) {
        try {
            const Date date = Common::ToDate(text);
            if (Common::FormatYYYYMMDDhhmmss(date).left(text.size()) == text)
                return date;
        } catch (const RuntimeError&) {
        }
    }
    throw Invalid("Query parameter '" + name + "' must be a timestamp YYYYMMDDhhmmss, not " + Quoted(text));
}

} // namespace k7::plant
