#pragma once

#include "orvelk7controls_export.h"

#include <QString>
#include <QStringList>

#include <initializer_list>
#include <utility>

namespace k7 {

class JsonBag;

// How a control judges a reply: the common rule (status is the number 0), or the rule of posted
// data and the table (message is exactly "Success").
enum class Judgement { StatusIsZero, MessageIsSuccess };

// The response envelope every service call yields ({"status":..., "data":..., "message":...}) and
// the query strings that ask for one. Loaders judge envelopes only through these rules.
class K7_EXPORT Envelope {
public:
    // The common rule: the call succeeded when "status" equals the number 0 (13 when it is none).
    static bool StatusIsZero(const JsonBag& document);

    // The rule for posted data and the table: the item "message" is exactly the text "Success".
    static bool MessageIsSuccess(const JsonBag& document);

    static bool Accepts(Judgement judgement, const JsonBag& document) {
        return judgement == Judgement::StatusIsZero ? StatusIsZero(document) : MessageIsSuccess(document);
    }

    // "StatusIsZero", "MessageIsSuccess": how a judgement is stored (with a journalled write, so a
    // retry is judged by the rule of the control that sent it). False for any other name.
    static QString JudgementName(Judgement judgement);
    static bool JudgementFromName(const QString& name, Judgement& judgement);

    // name=value pairs joined with "&", in the given order, the values inserted exactly as they
    // stand: the service expects them unescaped.
    static QString BuildQuery(std::initializer_list<std::pair<QString, QString>> pairs);
};

} // namespace k7
