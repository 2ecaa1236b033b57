#pragma once

#include "service/HttpRequestObject.h"

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

// A real request object whose exchanges go over `group`: the server flavour of the platform's
// objects when `serverMode`, else the client one. The one way the controls reach the service layer's
// requests, whether the REST client sends them or a control polls its own.
std::unique_ptr<HttpRequestObject> NewRequestObject(std::shared_ptr<ConnectionGroup> group, bool serverMode);

} // namespace k7
