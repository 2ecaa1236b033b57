#pragma once

#include "json/JsonBag.h"
#include "support/Checks.h"
#include "support/Printers.h"

#include <QString>

#include <memory>

namespace k7::test {

inline std::shared_ptr<JsonBag> Parse(const QString& text, bool decimalMode = false) {
    auto bag = JsonBag::Create();
    bag->SetDecimalMode(decimalMode);
    bag->SetJSON(text);
    return bag;
}

inline std::shared_ptr<JsonBag> ChildOf(const Variant& value) {
    return value.As<JsonBag>();
}

} // namespace k7::test
