#include "frame/control/ShownState.h"

#include "frame/children/ChildState_p.h"

#include <algorithm>

namespace k7 {

ShownState::ShownState() = default;
ShownState::ShownState(std::vector<Entry> entries) : entries_(std::move(entries)) {}
ShownState::~ShownState() = default;
ShownState::ShownState(const ShownState&) = default;
ShownState& ShownState::operator=(const ShownState&) = default;

const std::vector<ShownState::Entry>& ShownState::Entries() const {
    return entries_;
}

const ChildState* ShownState::Find(const QString& name, int index) const {
    const auto found = std::ranges::find_if(
        entries_, [&](const Entry& entry) { return entry.Index == index && entry.Name == name; });
    return found != entries_.end() ? found->State.get() : nullptr;
}

bool ShownState::Empty() const {
    return entries_.empty();
}

} // namespace k7
