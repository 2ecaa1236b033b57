#include "frame/children/CommandButton.h"

#include "frame/control/ConfirmKey_p.h"
#include "frame/control/ControlBase.h"
#include "frame/drawing/CaptionPainting.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/PixelPainting_p.h"
#include "frame/drawing/Twips.h"

#include <QKeyEvent>
#include <QPainter>
#include <QStyleOptionFocusRect>

namespace k7 {

CommandButton::CommandButton(ControlBase& owner, const QString& name, int index)
    : TextChild(owner, name, index, Colors::ButtonText) {
    setFocusPolicy(Qt::StrongFocus);
    connect(this, &QPushButton::clicked, this, [this] { emit Clicked(Index()); });
}

CommandButton& CommandButton::ApplyDesign(const Design& design) {
    ApplyTextDesign(design);
    return *this;
}

void CommandButton::Describe(Description& out) const {
    DescribeText(out);
    out.Field(QStringLiteral("alignment"), Variant(QStringLiteral("center")))
        .Field(QStringLiteral("visible"), Variant(Visible()));
}

void CommandButton::ShowCaption() {
    // The push button's own text feeds accessibility and mnemonics; an "&" in a caption is text.
    QString escaped = Caption();
    setText(escaped.replace(QLatin1Char('&'), QLatin1String("&&")));
    TextChild::ShowCaption();
}

CommandButton& CommandButton::LoadCopy(int index) const {
    return MakeLoadedCopy(Owner().Create<CommandButton>(Name(), index), *this);
}

void CommandButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = rect();
    const QPalette& colors = palette();
    painter.fillRect(area, Colors::ToQColor(BackColor(), colors));

    // A two-pixel bevel, raised at rest and sunken while pressed.
    const bool sunken = isDown();
    const QColor outerLight = Colors::ToQColor(Colors::ButtonHighlight, colors);
    const QColor innerLight = Colors::ToQColor(Colors::Light3D, colors);
    const QColor outerDark = Colors::ToQColor(Colors::DarkShadow3D, colors);
    const QColor innerDark = Colors::ToQColor(Colors::ButtonShadow, colors);
    const QRect outer = area.adjusted(0, 0, -1, -1);
    const QRect inner = area.adjusted(1, 1, -2, -2);
    auto bevel = [&painter](const QRect& r, const QColor& topLeft, const QColor& bottomRight) {
        PixelPainting::FillLine(painter, r.topLeft(), r.topRight(), topLeft);
        PixelPainting::FillLine(painter, r.topLeft(), r.bottomLeft(), topLeft);
        PixelPainting::FillLine(painter, r.bottomLeft(), r.bottomRight(), bottomRight);
        PixelPainting::FillLine(painter, r.topRight(), r.bottomRight(), bottomRight);
    };
    if (sunken) {
        bevel(outer, outerDark, outerLight);
        bevel(inner, innerDark, innerLight);
    } else {
        bevel(outer, outerLight, outerDark);
        bevel(inner, innerLight, innerDark);
    }

    QRect textArea = area.adjusted(3, 2, -3, -2);
    if (sunken)
        textArea.translate(1, 1);
    painter.setFont(font());
    painter.setPen(Colors::ToQColor(ForeColor(), colors));
    CaptionPainting::Draw(painter, CaptionPainting::Place(textArea, Qt::AlignCenter, WordWrap(), Caption(), Font(),
                                                          Twips::LogicalDpi(*this)));

    if (hasFocus()) {
        QStyleOptionFocusRect option;
        option.initFrom(this);
        option.rect = area.adjusted(4, 4, -4, -4);
        option.backgroundColor = Colors::ToQColor(BackColor(), colors);
        style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
    }
}

void CommandButton::keyPressEvent(QKeyEvent* event) {
    // Space is the push button's own: pressed while held, clicked on release.
    if (event->key() == Qt::Key_Space || !ConfirmKey::Matches(*event)) {
        QPushButton::keyPressEvent(event);
        return;
    }
    // A key held down repeats its press; one press is one click.
    if (!event->isAutoRepeat())
        click();
    event->accept();
}

} // namespace k7
