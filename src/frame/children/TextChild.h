#pragma once

#include "frame/children/ControlChild.h"
#include "frame/children/WidgetGeometry.h"
#include "frame/control/Description.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/FontStyle.h"
#include "orvelk7controls_export.h"

#include <QPushButton>
#include <QWidget>

#include <cstdint>
#include <memory>

namespace k7 {

// What labels and command buttons share as real widgets on a control: caption, tag, font, text
// and background colours, word wrap, twips geometry mapped to pixels on every change, and the
// assigned visibility. `QtBase` is the Qt widget class the child is (QWidget for a label,
// QPushButton for a button); the child itself paints and adds its own properties and events.
//
// The caption is also the accessibility name; without one a screen reader hears the child's element
// name ("lblCode", "btnScrap(3)"), never nothing. A font size no font can have raises 380 and leaves
// the font unchanged. Visible is the value the control code assigned, which stays true while the
// control itself is still hidden.
//
// Defaults: empty caption and tag, Tahoma 8.25 pt, the given text colour on the button-face
// colour, word wrap on, 0/0/0/0, visible.
// How a text child looks before the control code touches it: where it stands, its font and its
// two colours. A command button's whole design; a label adds its styles to it.
struct TextDesign {
    TwipsRect Bounds = {};
    FontStyle Font = {};
    uint32_t ForeColor = Colors::ButtonText;
    uint32_t BackColor = Colors::ButtonFace;
};

template <class QtBase>
class K7_EXPORT TextChild : public QtBase, public ControlChild, public WidgetGeometry {
public:
    ~TextChild() override;

    const QString& Caption() const;
    void SetCaption(const QString& caption);
    const QString& Tag() const;
    void SetTag(const QString& tag);

    const FontStyle& Font() const;
    void SetFont(const FontStyle& font);
    const QString& FontName() const { return Font().Name; }
    void SetFontName(const QString& name) { ChangeFont(&FontStyle::Name, name); }
    float FontSize() const { return Font().Size; }
    void SetFontSize(float points) { ChangeFont(&FontStyle::Size, points); }
    bool FontBold() const { return Font().Bold; }
    void SetFontBold(bool bold) { ChangeFont(&FontStyle::Bold, bold); }
    bool FontItalic() const { return Font().Italic; }
    void SetFontItalic(bool italic) { ChangeFont(&FontStyle::Italic, italic); }
    bool FontUnderline() const { return Font().Underline; }
    void SetFontUnderline(bool underline) { ChangeFont(&FontStyle::Underline, underline); }

    uint32_t ForeColor() const;
    void SetForeColor(uint32_t color);
    uint32_t BackColor() const;
    void SetBackColor(uint32_t color);
    bool WordWrap() const;
    void SetWordWrap(bool wrap);

    bool Visible() const;
    void SetVisible(bool visible);
    // Above every sibling widget.
    void BringToFront() { this->raise(); }

    // "Small Fonts" at `points` or less, "Tahoma" above (small sizes are unreadable in Tahoma).
    void UseSmallFaceAtOrBelow(float points);

    // Takes the control's font (all but the underline) and text colour, as cells that follow it do.
    void TakeControlFont();

    // Every shared property of `source` except name, index and visibility (for widget-array
    // copies).
    void CopyFrom(const TextChild& source);

    // Re-maps the twips geometry after the control's pixel scale changed.
    void UpdatePixelGeometry();

    QWidget* Widget() override { return this; }
    std::shared_ptr<const ChildState> SaveState() const override;
    void RestoreState(const ChildState& saved) override;
    void Conceal() override { SetVisible(false); }

protected:
    TextChild(ControlBase& owner, const QString& name, int index, uint32_t foreColor);

    // Stores a property's new value and repaints, when it differs from the old one.
    template <class T> void Restyle(T& member, const T& value) {
        if (member == value)
            return;
        member = value;
        this->update();
    }

    // Takes the geometry, font and colours of a design at once.
    void ApplyTextDesign(const TextDesign& design);
    // Makes the widget show the current caption; a button also gives it to its push-button text.
    virtual void ShowCaption();
    // Geometry, caption, tag, colours and font, as every text child describes them.
    void DescribeText(Description& out) const;
    void GeometryChanged() override { UpdatePixelGeometry(); }

private:
    // Changes one attribute of the font, through the size check of SetFont.
    template <class T> void ChangeFont(T FontStyle::*attribute, const T& value) {
        FontStyle font = Font();
        font.*attribute = value;
        SetFont(font);
    }
    void Dispose() override;

    struct State;
    std::unique_ptr<State> d;
};

extern template class TextChild<QWidget>;
extern template class TextChild<QPushButton>;

} // namespace k7
