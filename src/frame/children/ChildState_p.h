#pragma once

#include <QImage>

#include <memory>
#include <tuple>
#include <utility>

namespace k7 {

// What one child shows, taken whole by ControlChild::SaveState and put back by RestoreState. Each
// kind keeps its own parts; two states are the same when they are of one kind and every part is
// equal, which is how the frame finds the children a refresh changed.
class ChildState {
public:
    virtual ~ChildState() = default;
    virtual bool SameAs(const ChildState& other) const = 0;
};

namespace child_state {
// A part that is itself a state (a label's text part) compares by content, a picture by the pixels
// it shares (copies of a QImage share them until one is drawn on), anything else by value.
inline bool Same(const std::shared_ptr<const ChildState>& a, const std::shared_ptr<const ChildState>& b) {
    return a == b || (a && b && a->SameAs(*b));
}
inline bool Same(const QImage& a, const QImage& b) {
    return a.cacheKey() == b.cacheKey();
}
template <class T> bool Same(const T& a, const T& b) {
    return a == b;
}
} // namespace child_state

template <class... Parts> class ChildStateOf final : public ChildState {
public:
    explicit ChildStateOf(Parts... parts) : parts_(std::move(parts)...) {}

    bool SameAs(const ChildState& other) const override {
        const auto* same = dynamic_cast<const ChildStateOf*>(&other);
        return same != nullptr &&
               std::apply([&](const auto&... mine) {
                   return std::apply(
                       [&](const auto&... theirs) { return (child_state::Same(mine, theirs) && ...); },
                       same->parts_);
               }, parts_);
    }
    template <size_t I> const auto& Part() const { return std::get<I>(parts_); }

private:
    std::tuple<Parts...> parts_;
};

// The state `saved` as the kind that made it; null when another kind made it.
template <class... Parts> const ChildStateOf<Parts...>* StateAs(const ChildState& saved) {
    return dynamic_cast<const ChildStateOf<Parts...>*>(&saved);
}

} // namespace k7
