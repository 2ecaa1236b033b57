#pragma once

#include <memory>

namespace k7 {
class ControlBase;
class JsonBag;
} // namespace k7

namespace k7::cli {

// The state of a hosted control as a JSON document: every child (name, index, kind, geometry in
// twips, caption, tag, colours as "0x00BBGGRR", font, alignment, visibility), Error, the public
// properties by name, the extent and the component identity. What `k7 show --dump` writes.
class ControlDump {
public:
    static std::shared_ptr<JsonBag> Build(const ControlBase& control);
};

} // namespace k7::cli
