#pragma once

#include "support/Checks.h"
#include "support/Printers.h"
#include "json/JsonBag.h"

#include <QString>

#include <memory>

namespace k7::test {

// The failure text ("number-description") that `action` raises, or "no error".
template <class Action> QString FailureOf(Action&& action) {
    return Outcome([&] {
        action();
        return QStringLiteral("no error");
    });
}

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
