#include "frame/children/FilledRect_p.h"

#include "frame/children/ChildState_p.h"
#include "frame/control/ControlBase.h"
#include "frame/control/Description.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/PixelPainting_p.h"

#include <QPainter>

namespace k7 {

FilledRect::FilledRect(ControlBase& owner, const QString& name, int index) : Shape(owner, name, index) {}

void FilledRect::CopyFrom(const FilledRect& source) {
    CopyGeometryFrom(source);
    style_ = source.style_;
    Changed();
}

std::shared_ptr<const ChildState> FilledRect::SaveState() const {
    return std::make_shared<ChildStateOf<TwipsRect, Style, bool>>(Bounds(), style_, Visible());
}

void FilledRect::RestoreState(const ChildState& saved) {
    const auto* rect = StateAs<TwipsRect, Style, bool>(saved);
    if (rect == nullptr)
        return;
    Move(rect->Part<0>());
    style_ = rect->Part<1>();
    SetVisible(rect->Part<2>());
}

FilledRect& FilledRect::LoadCopy(int index) const {
    return MakeLoadedCopy(Owner().Create<FilledRect>(Name(), index), *this);
}

FilledRect& FilledRect::ApplyDesign(const Design& design) {
    Move(design.Bounds);
    style_ = design.Look;
    Changed();
    return *this;
}

void FilledRect::Describe(Description& out) const {
    out.Geometry(Bounds())
        .Color(QStringLiteral("fillColor"), style_.FillColor)
        .Field(QStringLiteral("fillStyle"),
               Variant(QString::fromLatin1(style_.Fill == k7::FillStyle::Solid ? "solid" : "transparent")))
        .Color(QStringLiteral("backColor"), style_.BackColor)
        .Field(QStringLiteral("backStyle"),
               Variant(QString::fromLatin1(style_.Back == k7::BackStyle::Opaque ? "opaque" : "transparent")))
        .Field(QStringLiteral("borderStyle"),
               Variant(QString::fromLatin1(style_.Border == k7::BorderStyle::Single ? "single" : "none")))
        .Color(QStringLiteral("borderColor"), style_.BorderColor)
        .Field(QStringLiteral("visible"), Variant(Visible()));
}

void FilledRect::Paint(QPainter& painter, double twipsPerPixel, const QPalette& palette) const {
    const QRect area = Area(twipsPerPixel);
    if (area.isEmpty())
        return;
    if (style_.Back == k7::BackStyle::Opaque)
        painter.fillRect(area, Colors::ToQColor(style_.BackColor, palette));
    if (style_.Fill == k7::FillStyle::Solid)
        painter.fillRect(area, Colors::ToQColor(style_.FillColor, palette));
    if (style_.Border == k7::BorderStyle::Single)
        PixelPainting::FillFrame(painter, area, Colors::ToQColor(style_.BorderColor, palette));
}

QRect FilledRect::Area(double twipsPerPixel) const {
    return Bounds().ToPixels(twipsPerPixel);
}

} // namespace k7
