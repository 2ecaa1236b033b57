#include "frame/children/Label.h"

#include "frame/children/ChildState_p.h"
#include "frame/control/ConfirmKey_p.h"
#include "frame/control/ControlBase.h"
#include "frame/control/TabOrder_p.h"
#include "frame/drawing/CaptionPainting.h"
#include "frame/drawing/Colors.h"
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

// Where a label's caption may go: inside its border, with a pixel of air either side of the text,
// as the designs were drawn.
QRect CaptionArea(const QWidget& label, BorderStyle border) {
    QRect area = label.rect();
    if (border == BorderStyle::Single)
        area.adjust(1, 1, -1, -1);
    return area.adjusted(1, 0, -1, 0);
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
    : TextChild(owner, name, index, Colors::ButtonText), d(std::make_unique<Style>()) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

Label::~Label() = default;

k7::BackStyle Label::BackStyle() const {
    return d->Back;
}

void Label::SetBackStyle(k7::BackStyle style) {
    Restyle(d->Back, style);
}

k7::TextAlign Label::TextAlign() const {
    return d->Align;
}

void Label::SetTextAlign(k7::TextAlign align) {
    Restyle(d->Align, align);
}

k7::BorderStyle Label::BorderStyle() const {
    return d->Border;
}

void Label::SetBorderStyle(k7::BorderStyle style) {
    Restyle(d->Border, style);
}

uint32_t Label::BorderColor() const {
    return d->BorderColor;
}

void Label::SetBorderColor(uint32_t color) {
    Restyle(d->BorderColor, color);
}

Label& Label::ApplyDesign(const Design& design) {
    ApplyTextDesign({design.Bounds, design.Font, design.ForeColor, design.BackColor});
    *d = Style{design.Back, design.Align, design.Border, design.BorderColor};
    update();
    return *this;
}

void Label::Describe(Description& out) const {
    DescribeText(out);
    out.Field(QStringLiteral("backStyle"),
              Variant(QString::fromLatin1(d->Back == k7::BackStyle::Opaque ? "opaque" : "transparent")))
        .Field(QStringLiteral("borderStyle"),
               Variant(QString::fromLatin1(d->Border == k7::BorderStyle::Single ? "single" : "none")))
        .Color(QStringLiteral("borderColor"), d->BorderColor)
        .Field(QStringLiteral("alignment"), Variant(AlignmentName(d->Align)))
        .Field(QStringLiteral("visible"), Variant(Visible()));
}

void Label::CopyFrom(const Label& source) {
    TextChild::CopyFrom(source);
    *d = *source.d;
    update();
}

std::shared_ptr<const ChildState> Label::SaveState() const {
    return std::make_shared<ChildStateOf<std::shared_ptr<const ChildState>, Style>>(TextChild::SaveState(),
                                                                                    *d);
}

void Label::RestoreState(const ChildState& saved) {
    const auto* label = StateAs<std::shared_ptr<const ChildState>, Style>(saved);
    if (label == nullptr)
        return;
    TextChild::RestoreState(*label->Part<0>());
    *d = label->Part<1>();
    update();
}

Label& Label::LoadCopy(int index) const {
    return MakeLoadedCopy(Owner().Create<Label>(Name(), index), *this);
}

std::vector<CaptionPainting::PlacedLine> Label::PlacedCaption() const {
    Qt::Alignment alignment = Qt::AlignTop;
    switch (d->Align) {
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
    return CaptionPainting::Place(CaptionArea(*this, d->Border), alignment, WordWrap(), Caption(), Font(),
                                  Twips::LogicalDpi(*this));
}

void Label::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    if (d->Back == k7::BackStyle::Opaque)
        painter.fillRect(area, Colors::ToQColor(BackColor(), palette()));
    if (d->Border == k7::BorderStyle::Single)
        PixelPainting::FillFrame(painter, area, Colors::ToQColor(d->BorderColor, palette()));
    painter.setFont(font());
    painter.setPen(Colors::ToQColor(ForeColor(), palette()));
    CaptionPainting::Draw(painter, PlacedCaption());
}

void Label::SetOpensOnRelease(bool opens) {
    if (opens == OpensOnRelease())
        return;
    setFocusPolicy(opens ? Qt::StrongFocus : Qt::NoFocus);
    if (opens)
        TabOrder::PlaceChild(*this, Owner());
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
