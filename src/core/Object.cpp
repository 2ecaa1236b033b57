#include "core/Object.h"

#include "core/RuntimeError.h"
#include "core/Variant.h"

namespace k7 {

Variant Object::Item(const Variant&) const { Raise(ErrorNumber::ObjectDoesNotSupportMember); }

} // namespace k7
