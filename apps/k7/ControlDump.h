#pragma once

#include <memory>

namespace k7 {
class ControlBase;
class JsonBag;
} // namespace k7

namespace k7::cli {

class ScriptedHost;

// The state of a hosted control as a JSON document: the extent, the public properties in
// interface order (Error among them), every child as it describes itself (name, index, kind, then
// its own fields: geometry in twips, captions, colours as "0x00BBGGRR", fonts, menus' items), the
// component identity and, when a host is given, what the control asked of it and the events it
// raised. What `k7 show --dump` writes and what the golden files hold.
class ControlDump {
public:
    static std::shared_ptr<JsonBag> Build(const ControlBase& control, const ScriptedHost* host = nullptr);
};

} // namespace k7::cli
