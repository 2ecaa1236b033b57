#pragma once

#include "frame/children/ControlChild.h"

namespace k7 {

// A child that has no window of its own (filled rectangles, lines): the control paints it on its
// own surface, below the labels and buttons, in creation order, and skips it while it is hidden.
// A change asks the control for a repaint.
class Shape : public ControlChild {
public:
    using ControlChild::ControlChild;

    bool Visible() const { return visible_; }
    void SetVisible(bool visible) { Restyle(visible_, visible); }

    void PaintOnSurface(QPainter& painter, double twipsPerPixel, const QPalette& palette) const final;
    std::optional<QRect> PaintedArea(double twipsPerPixel) const final;
    void Conceal() override { SetVisible(false); }

protected:
    // Paints the visible shape at `twipsPerPixel`.
    virtual void Paint(QPainter& painter, double twipsPerPixel, const QPalette& palette) const = 0;
    // The pixels the shape covers at `twipsPerPixel`, whether shown or not.
    virtual QRect Area(double twipsPerPixel) const = 0;
    // Asks the owning control to repaint its surface later.
    void Changed() const;
    // Stores a property's new value and asks for the repaint.
    template <class T> void Restyle(T& member, T value) {
        member = value;
        Changed();
    }

private:
    bool visible_ = true;
};

} // namespace k7
