#pragma once

#include "frame/children/Shape_p.h"
#include "frame/children/WidgetGeometry.h"
#include "frame/children/WidgetStyles.h"

#include <cstdint>

namespace k7 {

// A rectangle shape (barOee(k), barTime(k), bgTop, BarMax): twips geometry, fill colour and fill
// style, background colour and style, optional border, visibility. Painted in this order:
// background when opaque, fill when solid, border when single.
//
// Defaults: 0/0/0/0, fill black and solid, background white and transparent, no border (border
// colour black), visible.
class FilledRect : public Shape, public WidgetGeometry {
public:
    // Everything but geometry and visibility, so that a copy takes all of it at once.
    struct Style {
        uint32_t FillColor = 0x00000000;
        k7::FillStyle Fill = k7::FillStyle::Solid;
        uint32_t BackColor = 0x00FFFFFF;
        k7::BackStyle Back = k7::BackStyle::Transparent;
        k7::BorderStyle Border = k7::BorderStyle::None;
        uint32_t BorderColor = 0x00000000;
        friend bool operator==(const Style&, const Style&) = default;
    };
    // How a rectangle looks before the control code touches it: one value per rectangle of a design.
    struct Design {
        TwipsRect Bounds = {};
        Style Look = {};
    };

    FilledRect(ControlBase& owner, const QString& name, int index = -1);

    QString Kind() const override { return QStringLiteral("FilledRect"); }
    void Describe(Description& out) const override;
    FilledRect& ApplyDesign(const Design& design);

    uint32_t FillColor() const { return style_.FillColor; }
    void SetFillColor(uint32_t color) { Restyle(style_.FillColor, color); }
    k7::FillStyle FillStyle() const { return style_.Fill; }
    void SetFillStyle(k7::FillStyle style) { Restyle(style_.Fill, style); }
    uint32_t BackColor() const { return style_.BackColor; }
    void SetBackColor(uint32_t color) { Restyle(style_.BackColor, color); }
    k7::BackStyle BackStyle() const { return style_.Back; }
    void SetBackStyle(k7::BackStyle style) { Restyle(style_.Back, style); }
    k7::BorderStyle BorderStyle() const { return style_.Border; }
    void SetBorderStyle(k7::BorderStyle style) { Restyle(style_.Border, style); }
    uint32_t BorderColor() const { return style_.BorderColor; }
    void SetBorderColor(uint32_t color) { Restyle(style_.BorderColor, color); }

    // Every property of `source` except name, index and visibility (for widget-array copies).
    void CopyFrom(const FilledRect& source);
    // A new element `index` of this rectangle's array, a copy of this one, hidden.
    FilledRect& LoadCopy(int index) const;

    std::shared_ptr<const ChildState> SaveState() const override;
    void RestoreState(const ChildState& saved) override;

protected:
    void Paint(QPainter& painter, double twipsPerPixel, const QPalette& palette) const override;
    QRect Area(double twipsPerPixel) const override;
    void GeometryChanged() override { Changed(); }

private:
    Style style_;
};

} // namespace k7
