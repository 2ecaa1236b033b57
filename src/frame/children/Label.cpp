#include "frame/children/Label.h"

#include "frame/drawing/CaptionPainting.h"
#include "frame/children/ChildState_p.h"
#include "frame/drawing/Colors.h"
#include "frame/control/ConfirmKey_p.h"
#include "frame/control/ControlBase.h"
#include "frame/drawing/PixelPainting_p.h"
#include "frame/drawing/Twips.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace k7 {

namespace {

QString AlignmentName(TextAlign align) {
    switch (align) {
    case TextAlign::Left:
        return QStringLiteral("left");
    case TextAlign::Center:
        return QStringLiteral("center");
    case TextAlign::Right:
        return QStringLiteral("right");
    }
    return QString();
}

} // namespace

// Kept whole, so that a copy takes all of it at once.
struct Label::Style {
    k7::BackStyle Back = k7::BackStyle::Opaque;
    k7::TextAlign Align = k7::TextAlign::Left;
    k7::BorderStyle Border = k7::BorderStyle::None;
    uint32_t BorderColor = Colors::WindowFrame;
    friend bool operator==(const Style&, const Style&) = default;
};

Label::Label(ControlBase& owner, const QString& name, int index)
    : TextChild(owner, name, index, Colors::ButtonText), style_(std::make_unique<Style>()) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

Label::~Label() = default;

k7::BackStyle Label::BackStyle() const {
    return style_->Back;
}

void Label::SetBackStyle(k7::BackStyle style) {
    Restyle(style_->Back, style);
}

k7::TextAlign Label::TextAlign() const {
    return style_->Align;
}

void Label::SetTextAlign(k7::TextAlign align) {
    Restyle(style_->Align, align);
}

k7::BorderStyle Label::BorderStyle() const {
    return style_->Border;
}

void Label::SetBorderStyle(k7::BorderStyle style) {
    Restyle(style_->Border, style);
}

uint32_t Label::BorderColor() const {
    return style_->BorderColor;
}

void Label::SetBorderColor(uint32_t color) {
    Restyle(style_->BorderColor, color);
}

Label& Label::ApplyDesign(const Design& design) {
    ApplyTextDesign({design.Bounds, design.Font, design.ForeColor, design.BackColor});
    *style_ = Style{design.Back, design.Align, design.Border, design.BorderColor};
    update();
    return *this;
}

void Label::Describe(Description& out) const {
    DescribeText(out);
    out.Field(QStringLiteral("backStyle"),
              Variant(QString::fromLatin1(style_->Back == k7::BackStyle::Opaque ? "opaque" : "transparent")))
        .Field(QStringLiteral("borderStyle"),
               Variant(QString::fromLatin1(style_->Border == k7::BorderStyle::Single ? "single" : "none")))
        .Color(QStringLiteral("borderColor"), style_->BorderColor)
        .Field(QStringLiteral("alignment"), Variant(AlignmentName(style_->Align)))
        .Field(QStringLiteral("visible"), Variant(Visible()));
}

void Label::CopyFrom(const Label& source) {
    TextChild::CopyFrom(source);
    *style_ = *source.style_;
    update();
}

std::shared_ptr<const ChildState> Label::SaveState() const {
    return std::make_shared<ChildStateOf<std::shared_ptr<const ChildState>, Style>>(TextChild::SaveState(),
                                                                                     *style_);
}

void Label::RestoreState(const ChildState& saved) {
    const auto* label = StateAs<std::shared_ptr<const ChildState>, Style>(saved);
    if (label == nullptr)
        return;
    TextChild::RestoreState(*label->Part<0>());
    *style_ = label->Part<1>();
    update();
}

Label& Label::LoadCopy(int index) const {
    return MakeLoadedCopy(Owner().Create<Label>(Name(), index), *this);
}

QRect Label::CaptionArea() const {
    QRect area = rect();
    if (style_->Border == k7::BorderStyle::Single)
        area.adjust(1, 1, -1, -1);
    // A pixel of air between the text and the edge, as the designs were drawn.
    return area.adjusted(1, 0, -1, 0);
}

std::vector<CaptionPainting::PlacedLine> Label::PlacedCaption() const {
    Qt::Alignment alignment = Qt::AlignTop;
    switch (style_->Align) {
    case k7::TextAlign::Left:
        alignment |= Qt::AlignLeft;
        break;
    case k7::TextAlign::Center:
        alignment |= Qt::AlignHCenter;
        break;
    case k7::TextAlign::Right:
        alignment |= Qt::AlignRight;
        break;
    }
    return CaptionPainting::Place(CaptionArea(), alignment, WordWrap(), Caption(), Font(),
                                  Twips::LogicalDpi(*this));
}

void Label::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    if (style_->Back == k7::BackStyle::Opaque)
        painter.fillRect(area, Colors::ToQColor(BackColor(), palette()));
    if (style_->Border == k7::BorderStyle::Single)
        PixelPainting::FillFrame(painter, area, Colors::ToQColor(style_->BorderColor, palette()));
    painter.setFont(font());
    painter.setPen(Colors::ToQColor(ForeColor(), palette()));
    CaptionPainting::Draw(painter, PlacedCaption());
}

void Label::SetOpensOnRelease(bool opens) {
    if (opens == OpensOnRelease())
        return;
    setFocusPolicy(opens ? Qt::StrongFocus : Qt::NoFocus);
    if (opens)
        Owner().PlaceInTabCycle(*this);
}

void Label::keyPressEvent(QKeyEvent* event) {
    if (!OpensOnRelease() || !ConfirmKey::Matches(*event)) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (!event->isAutoRepeat())
        emit MouseReleased(Index(), Qt::LeftButton, mapToGlobal(rect().bottomLeft()));
    event->accept();
}

void Label::mouseReleaseEvent(QMouseEvent* event) {
    emit MouseReleased(Index(), event->button(), event->globalPosition().toPoint());
    event->accept();
}

} // namespace k7
