#include "frame/requests/Envelope.h"

#include "json/JsonBag.h"

namespace k7 {

bool Envelope::StatusIsZero(const JsonBag& document) {
    return document.Item(Variant(QStringLiteral("status"))).EqualsNumber(0);
}

bool Envelope::MessageIsSuccess(const JsonBag& document) {
    const Variant message = document.Item(Variant(QStringLiteral("message")));
    // Null compares as unknown, which an If treats as false.
    if (message.IsNull())
        return false;
    return message.ToText() == QLatin1String("Success");
}

QString Envelope::JudgementName(Judgement judgement) {
    return judgement == Judgement::StatusIsZero ? QStringLiteral("StatusIsZero")
                                                : QStringLiteral("MessageIsSuccess");
}

bool Envelope::JudgementFromName(const QString& name, Judgement& judgement) {
    for (const Judgement known : {Judgement::StatusIsZero, Judgement::MessageIsSuccess}) {
        if (name == JudgementName(known)) {
            judgement = known;
            return true;
        }
    }
    return false;
}

QString Envelope::BuildQuery(std::initializer_list<std::pair<QString, QString>> pairs) {
    QString query;
    for (const auto& [name, value] : pairs) {
        if (!query.isEmpty())
            query += QLatin1Char('&');
        query += name + QLatin1Char('=') + value;
    }
    return query;
}

} // namespace k7
