#include "frame/requests/ConnectionGroupBinding_p.h"

#include "frame/control/ControlBase.h"
#include "service/ConnectionGroup_p.h"
#include "service/HttpRequest_p.h"

#include <QVariant>

namespace k7 {

namespace {

// Kept on the control itself, so it goes with the control and the installed ControlBase stays
// as it is.
constexpr const char* kGroupProperty = "_k7_connectionGroup";

} // namespace

void UseConnectionGroup(ControlBase& control, std::shared_ptr<ConnectionGroup> group) {
    control.setProperty(kGroupProperty, QVariant::fromValue(std::move(group)));
}

std::shared_ptr<ConnectionGroup> ConnectionGroupOf(const ControlBase& control) {
    auto group = control.property(kGroupProperty).value<std::shared_ptr<ConnectionGroup>>();
    return group ? group : ConnectionGroup::ProcessWide();
}

std::unique_ptr<HttpRequestObject> NewRequestObject(std::shared_ptr<ConnectionGroup> group, bool serverMode) {
    return std::make_unique<HttpRequest>(serverMode ? HttpRequest::Kind::Server : HttpRequest::Kind::Client,
                                         std::move(group));
}

} // namespace k7
