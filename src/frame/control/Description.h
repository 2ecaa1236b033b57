#pragma once

#include "core/Variant.h"

#include <QString>

#include <cstdint>
#include <memory>

namespace k7 {

class JsonBag;
struct FontStyle;
struct TwipsRect;

// The state of a control or one of its children written as named values into a JSON object, in
// the order written, for hosts that list a control (k7 show --dump) and for golden files. One
// spelling for every kind: geometry in twips as "left", "top", "width", "height"; colours as
// "0x00BBGGRR" text; fonts as an object; styles as words.
class Description {
public:
    explicit Description(std::shared_ptr<JsonBag> object);

    Description& Field(const QString& name, const Variant& value);
    Description& Color(const QString& name, uint32_t value);
    Description& Geometry(const TwipsRect& bounds);
    Description& Font(const FontStyle& font);
    // A nested object / array under `name`, described the same way.
    Description Object(const QString& name);
    Description Array(const QString& name);
    // A new object appended to this array.
    Description Append();

    const std::shared_ptr<JsonBag>& Bag() const { return object_; }

private:
    std::shared_ptr<JsonBag> object_;
};

} // namespace k7
