#pragma once

// How a table reads a reply: `data`, then each period, then each of its twenty {"value": n}
// members by name and the number inside it. The same walk for JsonBag and for every peer, on a
// document parsed before; each returns the sum of the numbers, so that nothing is left unread.

#include "ReplyDocument.h"
#include "json/JsonBag.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <nlohmann/json.hpp>
#include <rapidjson/document.h>

#include <array>
#include <memory>

namespace k7::bench {

constexpr size_t kMemberCount = std::size(kMembers);

// The names as each implementation takes them, made once: a table keeps its column names.
struct WalkKeys {
    WalkKeys() {
        for (size_t i = 0; i < kMemberCount; ++i) {
            members[i] = Variant(QString::fromLatin1(kMembers[i]));
            memberTexts[i] = QString::fromLatin1(kMembers[i]);
        }
    }
    Variant data{QStringLiteral("data")};
    Variant value{QStringLiteral("value")};
    std::array<Variant, kMemberCount> members;
    std::array<QString, kMemberCount> memberTexts;
};

inline const WalkKeys& Keys() {
    static const WalkKeys keys;
    return keys;
}

inline double WalkJsonBag(const JsonBag& doc) {
    const WalkKeys& keys = Keys();
    double sum = 0;
    const auto data = doc.Item(keys.data).As<JsonBag>();
    for (int32_t p = 1, count = data->Count(); p <= count; ++p) {
        const auto period = data->Item(Variant(p)).As<JsonBag>();
        for (const Variant& member : keys.members)
            sum += period->Item(member).As<JsonBag>()->Item(keys.value).ToDouble();
    }
    return sum;
}

inline double WalkRapidJson(const rapidjson::Document& doc) {
    double sum = 0;
    for (const auto& period : doc["data"].GetArray())
        for (const char* member : kMembers)
            sum += period[member]["value"].GetDouble();
    return sum;
}

inline double WalkNlohmannOrdered(const nlohmann::ordered_json& doc) {
    double sum = 0;
    for (const auto& period : doc.at("data"))
        for (const char* member : kMembers)
            sum += period.at(member).at("value").get<double>();
    return sum;
}

inline double WalkQJsonDocument(const QJsonDocument& doc) {
    const WalkKeys& keys = Keys();
    double sum = 0;
    const QJsonArray data = doc.object().value(QLatin1StringView("data")).toArray();
    for (const QJsonValue& period : data) {
        const QJsonObject members = period.toObject();
        for (const QString& member : keys.memberTexts)
            sum += members.value(member).toObject().value(QLatin1StringView("value")).toDouble();
    }
    return sum;
}

} // namespace k7::bench
