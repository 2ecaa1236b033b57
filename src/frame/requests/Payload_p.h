#pragma once

#include <memory>

namespace k7 {

class JsonBag;

// The payload of a reply: its item "data" as the document it holds (an array of records, or one
// record), walked with Count and Item. A reply whose "data" holds no document (the REST client's
// failure envelope carries "", a service may send null) raises 424 "Object required", as asking
// such a value for its Count does; a reply without "data" raises the document's own error.
std::shared_ptr<JsonBag> Payload(const JsonBag& reply);

} // namespace k7
