#include "frame/control/Description.h"

#include "frame/children/TwipsRect.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/FontStyle.h"
#include "json/JsonBag.h"

namespace k7 {

Description::Description(std::shared_ptr<JsonBag> object) : object_(std::move(object)) {}

Description& Description::Field(const QString& name, const Variant& value) {
    object_->SetItem(Variant(name), value);
    return *this;
}

Description& Description::Color(const QString& name, uint32_t value) {
    return Field(name, Variant(Colors::ToHexText(value)));
}

Description& Description::Geometry(const TwipsRect& bounds) {
    return Field(QStringLiteral("left"), Variant(bounds.Left))
        .Field(QStringLiteral("top"), Variant(bounds.Top))
        .Field(QStringLiteral("width"), Variant(bounds.Width))
        .Field(QStringLiteral("height"), Variant(bounds.Height));
}

Description& Description::Font(const FontStyle& font) {
    Object(QStringLiteral("font"))
        .Field(QStringLiteral("name"), Variant(font.Name))
        .Field(QStringLiteral("size"), Variant(font.Size))
        .Field(QStringLiteral("bold"), Variant(font.Bold))
        .Field(QStringLiteral("italic"), Variant(font.Italic))
        .Field(QStringLiteral("underline"), Variant(font.Underline));
    return *this;
}

Description Description::Object(const QString& name) {
    return Description(object_->AddNewObject(Variant(name)));
}

Description Description::Array(const QString& name) {
    return Description(object_->AddNewArray(Variant(name)));
}

Description Description::Append() {
    return Description(object_->AddNewObject());
}

} // namespace k7
