#pragma once

#include "frame/children/TextChild.h"
#include "frame/children/WidgetStyles.h"
#include "frame/drawing/CaptionPainting.h"
#include "orvelk7controls_export.h"

#include <QPoint>
#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

namespace k7 {

// A text label child of a control (lblTxt, lblCode, lblCell(k), ...): besides what every text
// child has (TextChild), a transparent or opaque background, alignment and an optional
// single-line border in its own colour. The label paints itself.
//
// Defaults: empty caption, Tahoma 8.25 pt, text in the button-text colour on the button-face
// colour, opaque, left-aligned, no border (border colour window-frame), word wrap on, 0/0/0/0,
// visible.
class K7_EXPORT Label : public TextChild<QWidget> {
    Q_OBJECT
public:
    // How a label looks before the control code touches it: one value per label of a design (the
    // fields of a TextDesign, flat for designated initialisers, then the label's own styles).
    struct Design {
        TwipsRect Bounds = {};
        FontStyle Font = {};
        uint32_t ForeColor = Colors::ButtonText;
        uint32_t BackColor = Colors::ButtonFace;
        k7::BackStyle Back = k7::BackStyle::Opaque;
        k7::TextAlign Align = k7::TextAlign::Left;
        k7::BorderStyle Border = k7::BorderStyle::None;
        uint32_t BorderColor = Colors::WindowFrame;
    };

    Label(ControlBase& owner, const QString& name, int index = -1);

    QString Kind() const override { return QStringLiteral("Label"); }
    void Describe(Description& out) const override;
    Label& ApplyDesign(const Design& design);

    ~Label() override;

    k7::BackStyle BackStyle() const;
    void SetBackStyle(k7::BackStyle style);
    k7::TextAlign TextAlign() const;
    void SetTextAlign(k7::TextAlign align);
    k7::BorderStyle BorderStyle() const;
    void SetBorderStyle(k7::BorderStyle style);
    uint32_t BorderColor() const;
    void SetBorderColor(uint32_t color);

    // Whether releasing the label opens something (a menu), so Tab reaches it and keys release it.
    bool OpensOnRelease() const { return focusPolicy() != Qt::NoFocus; }
    void SetOpensOnRelease(bool opens);

    // Where the caption's lines are drawn in the label as it stands, in its own pixels.
    std::vector<CaptionPainting::PlacedLine> PlacedCaption() const;

    // Every property of `source` except name, index and visibility (for widget-array copies).
    void CopyFrom(const Label& source);
    // A new element `index` of this label's array, a copy of this one, hidden.
    Label& LoadCopy(int index) const;

    std::shared_ptr<const ChildState> SaveState() const override;
    void RestoreState(const ChildState& saved) override;

signals:
    // Any mouse button released over the label; `globalPosition` is where a pop-up menu belongs.
    void MouseReleased(int index, Qt::MouseButton button, QPoint globalPosition);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    struct Style;
    std::unique_ptr<Style> d;
};

} // namespace k7
