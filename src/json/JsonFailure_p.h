#pragma once

#include <QString>

#include <cstdint>

namespace k7 {

// How the JSON document reports failures: its own errors carry the source "JsonBag"; the runtime's
// standard errors (5, 9, 380) are raised with their standard descriptions.
[[noreturn]] void RaiseJsonError(int32_t number, const QString& description);
[[noreturn]] void RaiseStandardError(int32_t number);

} // namespace k7
