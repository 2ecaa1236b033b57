#pragma once

#include "orvelk7controls_export.h"

#include <memory>

namespace k7 {

class Variant;

// Anything a Variant can hold by reference. The JSON document is one; a member access on any
// other object fails with 438, as late binding to a missing member does.
class K7_EXPORT Object {
public:
    virtual ~Object() = default;

    // The default member used by a chained access such as doc.Item("data").Item(1).
    virtual Variant Item(const Variant& key) const;
};

using ObjectRef = std::shared_ptr<Object>;

} // namespace k7
