#pragma once

#include <memory>

namespace k7 {

class ConnectionGroup;
class ControlBase;

// Puts `control` in `group`: every request it sends from then on (its reads and writes in either
// request mode, the path view's picture) goes over that group's connections. A host running several
// terminals in one process gives each its own group; without a call a control is in the
// process-wide group. Call it before the control's first refresh: a request already out stays
// where it is.
void UseConnectionGroup(ControlBase& control, std::shared_ptr<ConnectionGroup> group);

// The group `control` sends through.
std::shared_ptr<ConnectionGroup> ConnectionGroupOf(const ControlBase& control);

} // namespace k7
