#pragma once

namespace k7 {

// Raises 340 for an element index that a widget array or a menu does not have, worded as the
// toolkit words it, with the index: "Control array element '3' doesn't exist". The other toolkit
// errors (360, 362, 51) carry their standard descriptions and are raised through k7::Raise.
[[noreturn]] void RaiseMissingElement(int index);

} // namespace k7
