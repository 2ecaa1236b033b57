#pragma once

#include <cstdint>

namespace k7 {

// Error numbers that only the widget toolkit raises, next to the core runtime numbers. They keep
// the classic values so that an Error text reads the same as on the original terminals.
namespace FrameError {
constexpr int32_t InternalError = 51;               // "Internal error"
constexpr int32_t ControlArrayElementMissing = 340; // "Control array element 'k' doesn't exist"
constexpr int32_t ObjectAlreadyLoaded = 360;        // "Object already loaded"
constexpr int32_t CannotUnloadDesignElement = 362;  // "Can't unload controls created at design time"
} // namespace FrameError

} // namespace k7
