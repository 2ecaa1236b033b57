#include "controls/pathcontrol/RasterSurface_p.h"

#include "frame/children/ChildState_p.h"

#include "core/RuntimeError.h"
#include "frame/control/ControlBase.h"
#include "frame/control/Description.h"
#include "frame/drawing/Colors.h"
#include "frame/drawing/PixelPainting_p.h"
#include "frame/drawing/TextMeasure_p.h"
#include "frame/drawing/Twips.h"

#include <QLineF>
#include <QPainter>
#include <QPen>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <initializer_list>

namespace k7 {

namespace {

bool AllFinite(std::initializer_list<double> values) {
    return std::all_of(values.begin(), values.end(), [](double value) { return std::isfinite(value); });
}

// The lines of a text as Print and the measurements see them: split at line feeds, a carriage
// return before a line feed dropped rather than drawn as a glyph.
QStringList TextLines(const QString& text) {
    QStringList lines = text.split(QLatin1Char('\n'));
    for (QString& line : lines)
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    return lines;
}

// Where a coordinate stands at fraction t of the way from a1 to a2. Works on halves so that even
// ends at -1e308 and 1e308 never overflow on the way.
double Along(double a1, double a2, double t) {
    const double half = a2 / 2 - a1 / 2;
    return a1 + half * t + half * t;
}

double Fraction(double edge, double a1, double a2) {
    return (edge / 2 - a1 / 2) / (a2 / 2 - a1 / 2);
}

// Cohen-Sutherland: cuts the segment to `area` in double precision, so that the painter never sees
// the far ends of a line that starts at 1e300. An end moved to an edge takes the edge's coordinate
// exactly, so a horizontal or vertical line stays exact however far away its ends are. False when
// nothing of it lies inside.
bool ClipSegment(double x1, double y1, double x2, double y2, const QRectF& area, QLineF& clipped) {
    enum : int { Left = 1, Right = 2, Top = 4, Bottom = 8 };
    const auto outside = [&area](double x, double y) {
        return (x < area.left()    ? Left
                : x > area.right() ? Right
                                   : 0) |
               (y < area.top()      ? Top
                : y > area.bottom() ? Bottom
                                    : 0);
    };
    int code1 = outside(x1, y1);
    int code2 = outside(x2, y2);
    // Each pass puts one end on an edge. Only rounding at a corner of the area, which is outside
    // the picture, can ask for more passes than the two ends have edges: such a line is dropped.
    for (int pass = 0; pass < 8; ++pass) {
        if ((code1 | code2) == 0) {
            clipped = QLineF(x1, y1, x2, y2);
            return true;
        }
        if ((code1 & code2) != 0)
            return false;
        const int code = code1 != 0 ? code1 : code2;
        double x = 0;
        double y = 0;
        if ((code & (Top | Bottom)) != 0) {
            y = (code & Top) != 0 ? area.top() : area.bottom();
            x = Along(x1, x2, Fraction(y, y1, y2));
        } else {
            x = (code & Left) != 0 ? area.left() : area.right();
            y = Along(y1, y2, Fraction(x, x1, x2));
        }
        if (!std::isfinite(x) || !std::isfinite(y))
            return false;
        if (code == code1) {
            x1 = x;
            y1 = y;
            code1 = outside(x1, y1);
        } else {
            x2 = x;
            y2 = y;
            code2 = outside(x2, y2);
        }
    }
    return false;
}

// Copies the pixels `from` and `to` share, top-left aligned; the rest of `to` stays as it is.
void CopyOverlap(const QImage& from, QImage& to) {
    const int rows = std::min(from.height(), to.height());
    const size_t bytes = static_cast<size_t>(std::min(from.width(), to.width())) * sizeof(QRgb);
    for (int row = 0; row < rows; ++row)
        std::memcpy(to.scanLine(row), from.constScanLine(row), bytes);
}

// The record is the same picture at every device pixel ratio only if its glyphs are. Qt drops
// hinting altogether while it scales for a high-density screen, so the picture keeps the hinting
// it has at ratio 1: vertical only, fontconfig's "slight" default. Advances are unhinted either
// way, so measuring is unchanged.
QFont PictureFont(const FontStyle& style) {
    QFont font = style.ToQFont();
    font.setHintingPreference(QFont::PreferVerticalHinting);
    return font;
}

} // namespace

RasterSurface::RasterSurface(ControlBase& owner, const QString& name, int index)
    : ControlChild(owner, name, index), qfont_(PictureFont(font_)) {}

// --- state -------------------------------------------------------------------------------------

void RasterSurface::SetCurrentX(double x) {
    if (std::isfinite(x))
        currentX_ = x;
}

void RasterSurface::SetCurrentY(double y) {
    if (std::isfinite(y))
        currentY_ = y;
}

void RasterSurface::MoveTo(double x, double y) {
    if (!AllFinite({x, y}))
        return;
    currentX_ = x;
    currentY_ = y;
}

void RasterSurface::SetDrawWidth(int pixels) {
    if (pixels < 1 || pixels > MaxDrawWidth)
        Raise(ErrorNumber::InvalidPropertyValue);
    drawWidth_ = pixels;
}

void RasterSurface::SetFont(const FontStyle& font) {
    FontStyle::CheckSize(font.Size);
    font_ = font;
    qfont_ = PictureFont(font);
}

// --- picture -----------------------------------------------------------------------------------

void RasterSurface::Fit() const {
    const QSize wanted = Owner().size().boundedTo(QSize(MaxSide, MaxSide));
    if (wanted.isEmpty()) {
        image_ = QImage();
        devicePicture_ = QImage();
        return;
    }
    if (image_.size() == wanted) {
        FitDevicePicture();
        return;
    }
    QImage fitted(wanted, QImage::Format_RGB32);
    if (fitted.isNull()) { // out of memory: an empty picture, drawing only moves the state
        image_ = QImage();
        devicePicture_ = QImage();
        return;
    }
    // The picture carries the control's resolution, so that text drawn on it has the size that
    // TextWidth and TextHeight measure at the control's resolution.
    fitted.setDotsPerMeterX(qRound(Owner().logicalDpiX() / 0.0254));
    fitted.setDotsPerMeterY(qRound(Owner().logicalDpiY() / 0.0254));
    fitted.fill(Rgb(backColor_));
    if (!image_.isNull())
        CopyOverlap(image_, fitted);
    image_ = std::move(fitted);
    FitDevicePicture();
}

void RasterSurface::FitDevicePicture() const {
    const qreal ratio = Owner().devicePixelRatio();
    const QSize wanted = (QSizeF(image_.size()) * ratio).toSize();
    if (qFuzzyCompare(ratio, 1.0) || wanted.width() > MaxSide || wanted.height() > MaxSide) {
        devicePicture_ = QImage();
        return;
    }
    const bool sameRatio =
        !devicePicture_.isNull() && qFuzzyCompare(devicePicture_.devicePixelRatio(), ratio);
    if (sameRatio && devicePicture_.size() == wanted)
        return;
    QImage fitted;
    if (sameRatio) {
        fitted = QImage(wanted, QImage::Format_RGB32);
        if (!fitted.isNull()) {
            fitted.fill(Rgb(backColor_));
            CopyOverlap(devicePicture_, fitted);
        }
    } else {
        fitted = image_.scaled(wanted, Qt::IgnoreAspectRatio, Qt::FastTransformation);
    }
    if (!fitted.isNull()) { // else out of memory: the record is shown
        fitted.setDevicePixelRatio(ratio);
        fitted.setDotsPerMeterX(image_.dotsPerMeterX());
        fitted.setDotsPerMeterY(image_.dotsPerMeterY());
    }
    devicePicture_ = std::move(fitted);
}

const QImage& RasterSurface::Image() const {
    Fit();
    return image_;
}

QRgb RasterSurface::Rgb(uint32_t color) const {
    return Colors::ToQColor(color, Owner().palette()).rgb();
}

void RasterSurface::Changed() const {
    Owner().update();
}

void RasterSurface::PaintOnSurface(QPainter& painter, double, const QPalette&) const {
    Fit();
    const bool devicePitch = !devicePicture_.isNull() && qFuzzyCompare(PixelPainting::DeviceScale(painter),
                                                                       devicePicture_.devicePixelRatio());
    const QImage& shown = devicePitch ? devicePicture_ : image_;
    if (!shown.isNull())
        painter.drawImage(QPoint(0, 0), shown);
}

std::optional<QRect> RasterSurface::PaintedArea(double) const {
    Fit();
    if (image_.isNull())
        return std::nullopt;
    return QRect(QPoint(0, 0), image_.size());
}

void RasterSurface::Describe(Description& out) const {
    Fit();
    // FNV-1a over the size and every pixel: cheap, and any change of a drawn pixel shows.
    uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](uint32_t word) { hash = (hash ^ word) * 1099511628211ull; };
    mix(static_cast<uint32_t>(image_.width()));
    mix(static_cast<uint32_t>(image_.height()));
    const QRgb back = Rgb(backColor_) & RGB_MASK;
    int32_t inked = 0;
    for (int row = 0; row < image_.height(); ++row) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image_.constScanLine(row));
        for (int column = 0; column < image_.width(); ++column) {
            const QRgb pixel = pixels[column] & RGB_MASK;
            mix(pixel);
            inked += pixel != back;
        }
    }
    out.Field(QStringLiteral("pixelWidth"), Variant(int32_t(image_.width())))
        .Field(QStringLiteral("pixelHeight"), Variant(int32_t(image_.height())))
        .Color(QStringLiteral("foreColor"), foreColor_)
        .Color(QStringLiteral("fillColor"), fillColor_)
        .Field(QStringLiteral("fillStyle"),
               Variant(QString::fromLatin1(fillStyle_ == k7::FillStyle::Solid ? "solid" : "transparent")))
        .Color(QStringLiteral("backColor"), backColor_)
        .Field(QStringLiteral("drawWidth"), Variant(int32_t(drawWidth_)))
        .Field(QStringLiteral("currentX"), Variant(currentX_))
        .Field(QStringLiteral("currentY"), Variant(currentY_))
        .Font(font_)
        .Field(QStringLiteral("inkedPixels"), Variant(inked))
        .Field(QStringLiteral("pixelHash"),
               Variant(QString::number(hash, 16).rightJustified(16, QLatin1Char('0'))));
}

// --- measuring ---------------------------------------------------------------------------------

double RasterSurface::TextWidth(const QString& text) const {
    double widest = 0;
    for (const QString& line : TextLines(text))
        widest = std::max(widest, TextMeasure::Width(line, font_, Dpi()));
    return widest;
}

double RasterSurface::TextHeight(const QString& text) const {
    return LineHeight() * static_cast<double>(text.count(QLatin1Char('\n')) + 1);
}

double RasterSurface::Dpi() const {
    return Twips::LogicalDpi(Owner());
}

double RasterSurface::LineHeight() const {
    return TextMeasure::LineHeight(font_, Dpi());
}

// --- drawing -----------------------------------------------------------------------------------

std::shared_ptr<const ChildState> RasterSurface::SaveState() const {
    Fit();
    // Copies share the pixels until one is drawn on.
    return std::make_shared<ChildStateOf<QImage, QImage>>(image_, devicePicture_);
}

void RasterSurface::RestoreState(const ChildState& saved) {
    const auto* picture = StateAs<QImage, QImage>(saved);
    if (picture == nullptr)
        return;
    image_ = picture->Part<0>();
    devicePicture_ = picture->Part<1>();
    // A picture taken at another size is fitted as a missed resize is.
    Changed();
}

void RasterSurface::Clear() {
    Fit();
    OnEveryPicture([this](QImage& picture) { picture.fill(Rgb(backColor_)); });
    currentX_ = 0;
    currentY_ = 0;
    Changed();
}

void RasterSurface::Print(const QString& text) {
    Fit();
    const double lineHeight = LineHeight();
    const double ascent = TextMeasure::Ascent(font_, Dpi());
    const QStringList lines = TextLines(text);
    OnEveryPicture([&](QImage& picture) {
        QPainter painter(&picture);
        painter.setFont(qfont_);
        painter.setPen(QColor::fromRgb(Rgb(foreColor_)));
        double x = currentX_;
        double y = currentY_;
        for (const QString& line : lines) {
            // A line that cannot touch the picture is not handed to the painter, so a current point
            // far outside costs one measurement and nothing more.
            const bool reaches = y < image_.height() && y + lineHeight > 0 && x < image_.width() &&
                                 x + TextMeasure::Width(line, font_, Dpi()) > 0;
            if (reaches)
                painter.drawText(QPointF(x, y + ascent), line);
            x = 0;
            y += lineHeight;
        }
    });
    currentX_ = 0;
    currentY_ += lineHeight * static_cast<double>(lines.size());
    Changed();
}

void RasterSurface::Line(double x1, double y1, double x2, double y2, std::optional<uint32_t> color) {
    if (!AllFinite({x1, y1, x2, y2}))
        return;
    Fit();
    if (!image_.isNull()) {
        // Widened by the pen, so that clipping never cuts off a visible round end.
        const double pad = drawWidth_ + 2.0;
        const QRectF area(-pad, -pad, image_.width() + 2 * pad, image_.height() + 2 * pad);
        QLineF clipped;
        if (ClipSegment(x1, y1, x2, y2, area, clipped)) {
            const QPen pen(QColor::fromRgb(Rgb(color.value_or(foreColor_))), drawWidth_, Qt::SolidLine,
                           Qt::RoundCap, Qt::RoundJoin);
            OnEveryPicture([&](QImage& picture) {
                QPainter painter(&picture);
                painter.translate(PixelPainting::PenCentreOffset(painter, drawWidth_));
                painter.setPen(pen);
                painter.drawLine(clipped);
            });
        }
    }
    currentX_ = x2;
    currentY_ = y2;
    Changed();
}

void RasterSurface::Box(double x1, double y1, double x2, double y2, BoxStyle style,
                        std::optional<uint32_t> color) {
    if (!AllFinite({x1, y1, x2, y2}))
        return;
    Fit();
    if (!image_.isNull()) {
        // An edge beyond the picture moves to just outside it (past the pen's reach), where it is
        // as invisible as at 1e30 but fits an int.
        const double pad = drawWidth_ + 2.0;
        const auto edge = [pad](double value, int size) {
            return static_cast<int>(std::clamp(std::round(value), -pad, size + pad));
        };
        const int left = edge(std::min(x1, x2), image_.width());
        const int right = edge(std::max(x1, x2), image_.width());
        const int top = edge(std::min(y1, y2), image_.height());
        const int bottom = edge(std::max(y1, y2), image_.height());
        if (right > left && bottom > top) {
            const QRect area(left, top, right - left, bottom - top);
            const QColor drawn = QColor::fromRgb(Rgb(color.value_or(foreColor_)));
            OnEveryPicture([&](QImage& picture) {
                QPainter painter(&picture);
                if (style == BoxStyle::Filled) {
                    painter.fillRect(area, drawn);
                    return;
                }
                if (fillStyle_ == k7::FillStyle::Solid)
                    painter.fillRect(area, QColor::fromRgb(Rgb(fillColor_)));
                painter.translate(PixelPainting::PenCentreOffset(painter, drawWidth_));
                painter.setPen(QPen(drawn, drawWidth_, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
                painter.setBrush(Qt::NoBrush);
                // A stroked rectangle covers one pixel more than its size: this one runs along the
                // outer pixels of `area`.
                painter.drawRect(QRectF(left, top, right - left - 1, bottom - top - 1));
            });
        }
    }
    currentX_ = x2;
    currentY_ = y2;
    Changed();
}

void RasterSurface::Circle(double centerX, double centerY, double radius, std::optional<uint32_t> color) {
    if (!AllFinite({centerX, centerY, radius}))
        return;
    Fit();
    if (radius >= 0) {
        const QRgb outline = Rgb(color.value_or(foreColor_));
        OnEveryPicture([&](QImage& picture) {
            FillCircleRows(picture, picture.devicePixelRatio(), centerX, centerY, radius, outline);
        });
    }
    currentX_ = centerX;
    currentY_ = centerY;
    Changed();
}

// The circle is scan-converted here rather than by the painter: each row inside the picture gets
// at most three spans (outline, inside, outline) computed from the radius, so the work is bounded
// by the picture's height whatever the radius, and a radius of 1e9 still has an exact edge where
// a curve approximation would be off by many pixels. A pixel belongs to the outline when its
// distance d from the centre lies within half the draw width of the radius, to the inside when d
// is smaller.
//
// On the device picture a pixel is 1 / scale of a logical one and stands at its own place within
// it, so the centre, radius and width are taken into its pixels: pixel i of the record and pixels
// scale * i .. scale * (i + 1) - 1 of the device picture then cover the same area.
void RasterSurface::FillCircleRows(QImage& picture, double scale, double centerX, double centerY,
                                   double radius, QRgb outline) const {
    if (scale != 1.0) {
        centerX = scale * (centerX + 0.5) - 0.5;
        centerY = scale * (centerY + 0.5) - 0.5;
        radius *= scale;
    }
    const double halfWidth = scale * drawWidth_ / 2.0;
    const double outer = radius + halfWidth;
    const double inner = radius - halfWidth;
    const bool fillInside = fillStyle_ == k7::FillStyle::Solid;
    const QRgb inside = Rgb(fillColor_);
    const int height = picture.height();
    const int firstRow = static_cast<int>(std::clamp(std::ceil(centerY - outer), 0.0, double(height)));
    const int lastRow = static_cast<int>(std::clamp(std::floor(centerY + outer), -1.0, double(height - 1)));
    for (int row = firstRow; row <= lastRow; ++row) {
        const double dy = std::abs(row - centerY);
        if (dy > outer)
            continue;
        // (r - dy)(r + dy) rather than r^2 - dy^2: no cancellation for large radii.
        const double outerHalf = std::sqrt((outer - dy) * (outer + dy));
        const double left = std::ceil(centerX - outerHalf);
        const double right = std::floor(centerX + outerHalf);
        if (dy >= inner) {
            FillSpan(picture, row, left, right, outline);
            continue;
        }
        const double innerHalf = std::sqrt((inner - dy) * (inner + dy));
        const double insideLeft = std::floor(centerX - innerHalf) + 1;
        const double insideRight = std::ceil(centerX + innerHalf) - 1;
        FillSpan(picture, row, left, insideLeft - 1, outline);
        if (fillInside)
            FillSpan(picture, row, insideLeft, insideRight, inside);
        FillSpan(picture, row, insideRight + 1, right, outline);
    }
}

void RasterSurface::FillSpan(QImage& picture, int row, double first, double last, QRgb rgb) {
    first = std::max(first, 0.0);
    last = std::min(last, double(picture.width() - 1));
    if (!(first <= last)) // also skips a NaN
        return;
    auto* pixels = reinterpret_cast<QRgb*>(picture.scanLine(row));
    std::fill(pixels + static_cast<int>(first), pixels + static_cast<int>(last) + 1, rgb);
}

void RasterSurface::DrawRotatedText(const QString& text, double x, double y, double degrees) {
    if (!AllFinite({x, y, degrees}))
        return;
    Fit();
    if (image_.isNull())
        return;
    // However it is turned, no glyph lies farther from the anchor than width + height.
    const double reach = TextWidth(text) + LineHeight();
    const double ascent = TextMeasure::Ascent(font_, Dpi());
    if (x < -reach || y < -reach || x > image_.width() + reach || y > image_.height() + reach)
        return;
    OnEveryPicture([&](QImage& picture) {
        QPainter painter(&picture);
        painter.setFont(qfont_);
        painter.setPen(QColor::fromRgb(Rgb(foreColor_)));
        painter.translate(x, y);
        // The painter turns clockwise on a y-down surface; the angle is counter-clockwise.
        painter.rotate(-std::fmod(degrees, 360.0));
        painter.drawText(QPointF(0, ascent), text);
    });
    Changed();
}

} // namespace k7
