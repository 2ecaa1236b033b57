#pragma once

#include "orvelk7controls_export.h"

#include <QString>

#include <memory>
#include <vector>

namespace k7 {

class ChildState;

// What a control showed at one moment: the state of each child, known by its name and array index
// so that it still finds its child after the control unloaded and loaded that element again. Made
// by ControlBase::SaveShown and put back by ControlBase::RestoreShown; a host keeps one to show a
// control's last good figures over a failed refresh.
class K7_EXPORT ShownState {
public:
    struct Entry {
        QString Name;
        int Index = -1;
        std::shared_ptr<const ChildState> State;
    };

    ShownState();
    explicit ShownState(std::vector<Entry> entries);
    ~ShownState();
    ShownState(const ShownState&);
    ShownState& operator=(const ShownState&);

    const std::vector<Entry>& Entries() const;
    // The state of the child `name`/`index`; null when it was not taken.
    const ChildState* Find(const QString& name, int index) const;
    bool Empty() const;

private:
    std::vector<Entry> entries_;
};

} // namespace k7
