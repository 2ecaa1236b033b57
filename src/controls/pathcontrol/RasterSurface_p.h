#pragma once

#include "frame/children/ControlChild.h"
#include "frame/children/WidgetStyles.h"
#include "frame/drawing/FontStyle.h"

#include <QFont>
#include <QImage>
#include <QRgb>
#include <QSize>

#include <cstdint>
#include <optional>

namespace k7 {

// A retained picture in pixels that a control draws on with the classic picture-box operations
// (the path view draws its script on one): clear, print at a current point, line, box, circle,
// rotated text, with a foreground and fill colour, a fill style, a line width and a font.
//
// The picture is a QImage (RGB32, opaque) owned by the child. Every operation draws into it at
// once; painting the control only copies it to (0, 0) of the control's surface, over the
// background and the children created before it, below every widget child. Nothing is redrawn
// or drawn lazily at paint time, so a picture stays as drawn until it is cleared or drawn over.
//
// Coordinates are pixels of the control's client area: origin at the top-left, x to the right,
// y downwards; pixel (i, j) stands at the point (i, j). Where a pixel lies exactly on an edge, the
// coverage is this class's own (boxes are half-open, see Box).
//
// Size. The image follows the control's size in pixels, capped at MaxSide on each side (a larger
// control shows its background beyond). A child sees no resize event of its own, so the image is
// fitted whenever it is touched: drawn on, measured, described or painted; a control whose resize
// hook draws therefore draws on a picture of the new size. Fitting keeps the drawn pixels where
// they are: growing adds area filled with the back colour at the right and bottom, shrinking
// crops at the right and bottom, and what a shrink cut off does not come back on a later growth.
// The current point and the rest of the drawing state are left alone. An empty control has an
// empty picture: drawing on it changes only the drawing state.
//
// Device resolution. The picture above is the record: what Image, Describe and the pixel hash see,
// in the control's logical pixels at every device pixel ratio. On a screen of another ratio (2 on
// a high-density panel) a copy of that record scaled up would show text and slanted lines in
// blocks, so the surface keeps a second picture at the device's resolution and runs every
// operation on both: fills cover the same logical pixels on each, text and curves are rendered at
// the finer pitch, and painting shows the finer picture wherever the painter works at that ratio.
// The second picture follows the control's ratio when touched, like the size; a change of ratio
// (the window moved to another screen) starts it from the record scaled up, so what was drawn
// before stays visible and what is drawn after is sharp. A picture larger than MaxSide device
// pixels on a side is shown from the record.
//
// Hostile values. Every coordinate is a double and is checked before it reaches the painter, so a
// draw never hangs, never allocates beyond the picture and never crashes:
//   - a value that is no finite number (NaN, infinity) makes the whole operation a no-op: nothing
//     is drawn and the drawing state, the current point included, stays as it was, which also keeps
//     the current point a finite number for every later operation and for Describe;
//   - a line is clipped to the picture (widened by the pen) in double precision before drawing, and
//     a box's edges are clamped to the same area, so the painter only sees small coordinates;
//   - a circle is filled row by row straight into the image, over the picture's rows and columns
//     only, so its cost is bounded by the picture whatever the radius; a negative radius draws
//     nothing (the current point still moves to the centre);
//   - text is skipped when it cannot reach the picture, rotation angles are taken modulo 360;
//   - the line width is limited to 1..MaxDrawWidth and the font size to what FontStyle allows.
class RasterSurface : public ControlChild {
public:
    // Largest side of the picture in pixels (a 8192 x 8192 picture takes 256 MB).
    static constexpr int MaxSide = 8192;
    // Largest line width in pixels, the range of the toolkit's 16-bit draw width.
    static constexpr int MaxDrawWidth = 32767;

    // Outline: the edges in the given colour, the inside as the fill style says. Filled: the
    // whole box in the given colour.
    enum class BoxStyle { Outline, Filled };

    RasterSurface(ControlBase& owner, const QString& name, int index = -1);

    QString Kind() const override { return QStringLiteral("RasterSurface"); }
    // Pixel size, colours, fill style, draw width, current point, font, and a fingerprint of the
    // pixels: the number of pixels not in the back colour ("inkedPixels") and a 64-bit hash of the
    // whole picture as hex text ("pixelHash"), so a dump shows that and what was drawn.
    void Describe(Description& out) const override;
    void PaintOnSurface(QPainter& painter, double twipsPerPixel, const QPalette& palette) const override;
    std::optional<QRect> PaintedArea(double twipsPerPixel) const override;
    // The picture as drawn (the drawing state, a pen or a font, is not what it shows).
    std::shared_ptr<const ChildState> SaveState() const override;
    void RestoreState(const ChildState& saved) override;

    // --- drawing state. Defaults: point (0, 0), foreground and fill black, fill transparent, back
    // white, width 1, Tahoma 8.25 points. Colours are 0x00BBGGRR or system colours.
    double CurrentX() const { return currentX_; }
    double CurrentY() const { return currentY_; }
    void SetCurrentX(double x); // ignored when not finite
    void SetCurrentY(double y); // ignored when not finite
    void MoveTo(double x, double y);
    uint32_t ForeColor() const { return foreColor_; }
    void SetForeColor(uint32_t color) { foreColor_ = color; }
    uint32_t FillColor() const { return fillColor_; }
    void SetFillColor(uint32_t color) { fillColor_ = color; }
    k7::FillStyle FillStyle() const { return fillStyle_; }
    void SetFillStyle(k7::FillStyle style) { fillStyle_ = style; }
    // Used by Clear and for area gained when the control grows; setting it repaints nothing.
    uint32_t BackColor() const { return backColor_; }
    void SetBackColor(uint32_t color) { backColor_ = color; }
    int DrawWidth() const { return drawWidth_; }
    void SetDrawWidth(int pixels); // 380 outside 1..MaxDrawWidth
    const FontStyle& Font() const { return font_; }
    void SetFont(const FontStyle& font); // 380 for a size a font cannot have

    // --- drawing, in pixels; each asks the control for a repaint.
    // Fills the picture with the back colour; the current point becomes (0, 0).
    void Clear();
    // Draws the text in the font and foreground colour, transparently (glyphs only), with the
    // top-left of its first character cell at the current point; each further line of a text with
    // line breaks starts at x = 0. Then the current point moves to x = 0, one line below the last.
    void Print(const QString& text);
    // A line of the draw width, round ends, in `color` (default: the foreground colour); the
    // current point becomes (x2, y2).
    void Line(double x1, double y1, double x2, double y2, std::optional<uint32_t> color = std::nullopt);
    // The box between two corners, in any order. Corners are rounded to whole pixels; the box
    // covers columns from the left up to, not including, the right (rows likewise), so a box of
    // size 0 draws nothing and boxes that share an edge do not overlap. The outline runs along
    // the box's outer pixels. The current point becomes (x2, y2).
    void Box(double x1, double y1, double x2, double y2, BoxStyle style = BoxStyle::Outline,
             std::optional<uint32_t> color = std::nullopt);
    // A full circle: an outline of the draw width centred on the radius in `color` (default: the
    // foreground colour), the inside in the fill colour when the fill style is solid. The current
    // point becomes the centre.
    void Circle(double centerX, double centerY, double radius, std::optional<uint32_t> color = std::nullopt);
    // Draws one line of text in the font and foreground colour turned by `degrees` counter-clockwise
    // about (x, y), which is where the top-left corner of the unturned text would be (-90: the text
    // runs downwards, its glyphs' tops facing right). The current point does not move.
    void DrawRotatedText(const QString& text, double x, double y, double degrees);

    // --- measuring in the picture's font, in pixels, as TextMeasure measures. The width of the
    // widest line; the height of one line per line break plus one. Printed lines stand one line
    // height apart, their baselines one ascent below their tops.
    double TextWidth(const QString& text) const;
    double TextHeight(const QString& text) const;

    // The picture as it stands, fitted to the control's size.
    const QImage& Image() const;
    QSize PixelSize() const { return Image().size(); }

private:
    // Follows the control's pixel size and device pixel ratio (see the class comment); const
    // because reading the picture is where a missed resize is noticed.
    void Fit() const;
    void FitDevicePicture() const;
    double Dpi() const;
    double LineHeight() const;
    // Runs one drawing operation on the record and, when there is one, on the device picture.
    template <class Draw> void OnEveryPicture(const Draw& draw) {
        if (image_.isNull())
            return;
        draw(image_);
        if (!devicePicture_.isNull())
            draw(devicePicture_);
    }
    QRgb Rgb(uint32_t color) const;
    // Writes pixels first..last of row `row` of `picture`, clipped to it.
    static void FillSpan(QImage& picture, int row, double first, double last, QRgb rgb);
    // The circle in the pixels of `picture`, whose pixels are 1 / `scale` of a logical pixel.
    void FillCircleRows(QImage& picture, double scale, double centerX, double centerY, double radius,
                        QRgb outline) const;
    void Changed() const;

    mutable QImage image_;
    // The picture at the control's device pixel ratio; null at ratio 1, where the record is shown.
    mutable QImage devicePicture_;
    double currentX_ = 0;
    double currentY_ = 0;
    uint32_t foreColor_ = 0x00000000;
    uint32_t fillColor_ = 0x00000000;
    k7::FillStyle fillStyle_ = k7::FillStyle::Transparent;
    uint32_t backColor_ = 0x00FFFFFF;
    int drawWidth_ = 1;
    FontStyle font_;
    QFont qfont_;
};

} // namespace k7
