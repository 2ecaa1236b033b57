#include "frame/control/FrameErrors_p.h"

#include "core/RuntimeError.h"

namespace k7 {

void RaiseMissingElement(int index) {
    throw RuntimeError(ErrorNumber::ControlArrayElementMissing,
                       QStringLiteral("Control array element '%1' doesn't exist").arg(index));
}

} // namespace k7
