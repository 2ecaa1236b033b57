#include "frame/children/Line_p.h"

#include "core/RuntimeError.h"
#include "frame/children/ChildState_p.h"
#include "frame/children/WidgetGeometry.h"
#include "frame/control/ControlBase.h"
#include "frame/control/Description.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/PixelPainting_p.h"
#include "frame/drawing/Twips.h"

#include <QPainter>
#include <QPen>

namespace k7 {

Line::Line(ControlBase& owner, const QString& name, int index) : Shape(owner, name, index) {}

void Line::SetPoints(float x1, float y1, float x2, float y2) {
    // All four are checked before any is stored, so a failure leaves the line where it was.
    WidgetGeometry::CheckPosition(x1);
    WidgetGeometry::CheckPosition(y1);
    WidgetGeometry::CheckPosition(x2);
    WidgetGeometry::CheckPosition(y2);
    state_.X1 = x1;
    state_.Y1 = y1;
    state_.X2 = x2;
    state_.Y2 = y2;
    Changed();
}

void Line::SetBorderWidth(int pixels) {
    if (pixels < 1)
        Raise(ErrorNumber::InvalidPropertyValue);
    Restyle(state_.Width, pixels);
}

void Line::CopyFrom(const Line& source) {
    state_ = source.state_;
    Changed();
}

std::shared_ptr<const ChildState> Line::SaveState() const {
    return std::make_shared<ChildStateOf<Design, bool>>(state_, Visible());
}

void Line::RestoreState(const ChildState& saved) {
    const auto* line = StateAs<Design, bool>(saved);
    if (line == nullptr)
        return;
    state_ = line->Part<0>();
    SetVisible(line->Part<1>());
}

Line& Line::LoadCopy(int index) const {
    return MakeLoadedCopy(Owner().Create<Line>(Name(), index), *this);
}

Line& Line::ApplyDesign(const Design& design) {
    SetPoints(design.X1, design.Y1, design.X2, design.Y2);
    SetBorderColor(design.Color);
    SetBorderWidth(design.Width);
    return *this;
}

void Line::Describe(Description& out) const {
    out.Field(QStringLiteral("x1"), Variant(state_.X1))
        .Field(QStringLiteral("y1"), Variant(state_.Y1))
        .Field(QStringLiteral("x2"), Variant(state_.X2))
        .Field(QStringLiteral("y2"), Variant(state_.Y2))
        .Color(QStringLiteral("borderColor"), state_.Color)
        .Field(QStringLiteral("borderWidth"), Variant(int32_t(state_.Width)))
        .Field(QStringLiteral("visible"), Variant(Visible()));
}

void Line::Paint(QPainter& painter, double twipsPerPixel, const QPalette& palette) const {
    QPen pen(Colors::ToQColor(state_.Color, palette));
    pen.setWidth(state_.Width);
    pen.setCapStyle(Qt::FlatCap);
    PixelPainting::StrokeLine(painter, Twips::ToPixelPoint(state_.X1, state_.Y1, twipsPerPixel),
                              Twips::ToPixelPoint(state_.X2, state_.Y2, twipsPerPixel), pen);
}

QRect Line::Area(double twipsPerPixel) const {
    const int width = state_.Width;
    return QRect(Twips::ToPixelPoint(state_.X1, state_.Y1, twipsPerPixel),
                 Twips::ToPixelPoint(state_.X2, state_.Y2, twipsPerPixel))
        .normalized()
        .adjusted(-width / 2, -width / 2, (width - 1) / 2, (width - 1) / 2);
}

void Line::MoveEnd(float& coordinate, float twips) {
    WidgetGeometry::CheckPosition(twips);
    Restyle(coordinate, twips);
}

} // namespace k7
