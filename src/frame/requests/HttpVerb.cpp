#include "frame/requests/HttpVerb.h"

#include "service/RestClient.h"

#include <array>
#include <utility>

namespace k7 {

namespace {

constexpr std::array<std::pair<HttpVerb, const char*>, 4> kNames = {{{HttpVerb::Get, "GET"},
                                                                     {HttpVerb::Patch, "PATCH"},
                                                                     {HttpVerb::Post, "POST"},
                                                                     {HttpVerb::Delete, "DELETE"}}};

} // namespace

QString HttpVerbName(HttpVerb verb) {
    for (const auto& [known, name] : kNames)
        if (known == verb)
            return QString::fromLatin1(name);
    return {};
}

bool HttpVerbFromName(const QString& name, HttpVerb& verb) {
    for (const auto& [known, text] : kNames) {
        if (name == QLatin1String(text)) {
            verb = known;
            return true;
        }
    }
    return false;
}

QString SendThrough(RestClient& client, HttpVerb verb, const QString& path, const QString& query) {
    switch (verb) {
    case HttpVerb::Get:
        return client.GetRequest(path, query);
    case HttpVerb::Patch:
        return client.PatchRequest(path, query);
    case HttpVerb::Post:
        return client.PostRequest(path, query);
    case HttpVerb::Delete:
        return client.DeleteRequest(path, query);
    }
    return {};
}

} // namespace k7
