#pragma once

#include <QString>

namespace k7 {

class RestClient;

// The four requests the REST client makes. GET reads; the other three write plant data.
enum class HttpVerb { Get, Patch, Post, Delete };

// "GET", "PATCH", "POST", "DELETE".
QString HttpVerbName(HttpVerb verb);
// The verb of a name as HttpVerbName writes it; false for any other text.
bool HttpVerbFromName(const QString& name, HttpVerb& verb);

// Sends one request of `verb` through `client` and returns the text the client gives back.
QString SendThrough(RestClient& client, HttpVerb verb, const QString& path, const QString& query);

} // namespace k7
