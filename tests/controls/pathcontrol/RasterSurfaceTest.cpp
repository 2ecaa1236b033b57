// The picture the path view draws on: fills, the pen's limits and hostile numbers, text at the
// current point and turned, a resize, what the control shows of it, and Clear.

#include "support/InkBounds.h"
#include "support/Printers.h"
#include "support/TestControl.h"

#include "controls/pathcontrol/RasterSurface_p.h"
#include "frame/drawing/Colors.h"

#include <QImage>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <vector>

using k7::Colors;
using k7::RasterSurface;
using Box = RasterSurface::BoxStyle;

namespace {

const QColor kWhite(255, 255, 255), kBlack(0, 0, 0), kRed(255, 0, 0), kGreen(0, 128, 0), kBlue(0, 0, 255);
constexpr uint32_t kRedValue = Colors::Rgb(255, 0, 0);
constexpr uint32_t kGreenValue = Colors::Rgb(0, 128, 0);
constexpr uint32_t kBlueValue = Colors::Rgb(0, 0, 255);
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kMax = std::numeric_limits<double>::max();

// A control of `size` pixels with a surface on it.
struct Canvas {
    explicit Canvas(QSize size = {200, 100}) { control.resize(size); }
    TestControl control;
    RasterSurface& surface = control.Create<RasterSurface>("Surface");
};

// A pixel and the colour it must have.
struct Probe {
    int X, Y;
    QColor Expected;
};

using S = RasterSurface;

// A draw on a blank 200 x 100 picture whose fill is green, transparent unless the row is Solid.
// No probes: nothing at all may be drawn.
struct DrawRow {
    const char* Name;
    std::vector<Probe> Probes;
    double PointX, PointY;
    std::function<void(S&)> Draw;
    bool Solid;
};

DrawRow Row(const char* name, std::vector<Probe> probes, double x, double y, std::function<void(S&)> draw) {
    return DrawRow{name, std::move(probes), x, y, std::move(draw), false};
}
DrawRow SolidRow(const char* name, std::vector<Probe> probes, double x, double y,
                 std::function<void(S&)> draw) {
    return DrawRow{name, std::move(probes), x, y, std::move(draw), true};
}

// Lines, plain boxes and circles filled in their border colour are drawn by the path control's
// canvas tests through this surface; here the other fills, the pen's limits and hostile numbers. A
// draw whose cost followed a hostile coordinate would not end within the test's time-out.
TEST(RasterSurface, PaintsPixelsAtOnceAndMovesTheCurrentPoint) {
    const DrawRow rows[] = {
        Row("filled box, corners swapped",
            {{5, 5, kRed}, {24, 14, kRed}, {25, 14, kWhite}, {24, 15, kWhite}, {4, 5, kWhite}}, 5, 5,
            [](S& s) { s.Box(25, 15, 5, 5, Box::Filled, kRedValue); }),
        Row("outline box, transparent inside",
            {{20, 20, kBlack}, {59, 40, kBlack}, {40, 59, kBlack}, {40, 40, kWhite}, {60, 40, kWhite}}, 60,
            60, [](S& s) { s.Box(20, 20, 60, 60); }),
        SolidRow("outline box, solid inside", {{20, 40, kBlack}, {40, 40, kGreen}, {58, 58, kGreen}}, 60, 60,
                 [](S& s) { s.Box(20, 20, 60, 60); }),
        SolidRow("circle, solid inside",
                 {{50, 50, kGreen}, {55, 50, kBlue}, {50, 45, kBlue}, {56, 50, kWhite}, {54, 54, kWhite}}, 50,
                 50, [](S& s) { s.Circle(50, 50, 5, kBlueValue); }),
        SolidRow(
            "radius 1e9 keeps an exact edge",
            {{100, 50, kBlack}, {0, 50, kBlack}, {100, 48, kWhite}, {100, 52, kGreen}, {199, 99, kGreen}},
            100, 1e9 + 50, [](S& s) { s.Circle(100, 1e9 + 50, 1e9); }),
        SolidRow("circle enclosing the picture", {{0, 0, kGreen}, {199, 99, kGreen}}, 100, 50,
                 [](S& s) { s.Circle(100, 50, 1e300); }),
        Row("box far beyond the picture", {{0, 0, kRed}, {199, 99, kRed}}, 1e300, 1e300,
            [](S& s) { s.Box(-1e300, -1e300, 1e300, 1e300, Box::Filled, kRedValue); }),
        Row("line from far away", {{0, 5, kBlack}, {199, 5, kBlack}, {0, 6, kWhite}}, 1e300, 5,
            [](S& s) { s.Line(-1e300, 5, 1e300, 5); }),
        Row("line between the largest numbers", {{0, 0, kBlack}, {0, 99, kBlack}, {1, 50, kWhite}}, 0, kMax,
            [](S& s) { s.Line(0, -kMax, 0, kMax); }),
        Row("widest pen", {{0, 0, kBlack}, {199, 99, kBlack}}, 1, 1,
            [](S& s) {
                s.SetDrawWidth(S::MaxDrawWidth);
                s.Line(0, 0, 1, 1);
            }),
        // Nothing drawn, the point left alone.
        SolidRow("negative radius", {}, 50, 50, [](S& s) { s.Circle(50, 50, -5); }),
        Row("NaN line end", {}, 0, 0, [](S& s) { s.Line(kNaN, 0, 10, kInf); }),
        Row("NaN box corner", {}, 0, 0, [](S& s) { s.Box(0, 0, kNaN, 10, Box::Filled); }),
        SolidRow("infinite centre", {}, 0, 0, [](S& s) { s.Circle(kInf, 50, 5); }),
        SolidRow("NaN radius", {}, 0, 0, [](S& s) { s.Circle(50, 50, kNaN); }),
        Row("NaN point", {}, 0, 0, [](S& s) { s.MoveTo(kNaN, 3); }),
        Row("NaN rotation", {}, 0, 0, [](S& s) { s.DrawRotatedText("W", 50, 50, kNaN); }),
        Row("rotated text far away", {}, 0, 0, [](S& s) { s.DrawRotatedText("Www", 1e30, -1e30, 1e300); }),
    };
    for (const DrawRow& row : rows) {
        SCOPED_TRACE(row.Name);
        Canvas canvas;
        RasterSurface& surface = canvas.surface;
        surface.SetFillColor(kGreenValue);
        surface.SetFillStyle(row.Solid ? k7::FillStyle::Solid : k7::FillStyle::Transparent);
        row.Draw(surface);
        const QImage& image = surface.Image();
        for (const Probe& probe : row.Probes)
            EXPECT_EQ(image.pixelColor(probe.X, probe.Y), probe.Expected)
                << "at " << probe.X << "," << probe.Y;
        if (row.Probes.empty()) {
            EXPECT_TRUE(InkBounds(image).isEmpty());
        }
        EXPECT_DOUBLE_EQ(surface.CurrentX(), row.PointX);
        EXPECT_DOUBLE_EQ(surface.CurrentY(), row.PointY);
    }
}

// --- text -------------------------------------------------------------------------------------

TEST(RasterSurface, PrintsAtTheCurrentPointAndMovesToTheNextLine) {
    Canvas canvas;
    RasterSurface& surface = canvas.surface;
    const double lineHeight = surface.TextHeight("Hi");
    ASSERT_GT(lineHeight, 5);
    EXPECT_DOUBLE_EQ(surface.TextHeight("Hi\nHi"), 2 * lineHeight);

    surface.MoveTo(20, 30);
    surface.Print("Hi\r\nHi");
    const QImage& image = surface.Image();
    const QRect firstLine = InkBounds(image, QRect(0, 30, 200, int(lineHeight)));
    ASSERT_FALSE(firstLine.isEmpty());
    EXPECT_GE(firstLine.left(), 20);
    EXPECT_LE(firstLine.right(), 20 + surface.TextWidth("Hi"));
    const QRect secondLine = InkBounds(image, QRect(0, 30 + int(lineHeight), 200, int(lineHeight)));
    ASSERT_FALSE(secondLine.isEmpty());
    EXPECT_LT(secondLine.left(), 5) << "further lines start at x = 0";
    EXPECT_TRUE(InkBounds(image, QRect(0, 30 + 2 * int(std::ceil(lineHeight)), 200, 100)).isEmpty());
    EXPECT_EQ(surface.CurrentX(), 0);
    EXPECT_DOUBLE_EQ(surface.CurrentY(), 30 + 2 * lineHeight);
}

// Each angle with where the text may lie around the anchor, from its width and height.
TEST(RasterSurface, RotatedTextTurnsCounterClockwiseAboutTheTopLeftCorner) {
    const std::pair<double, std::function<QRectF(double w, double h)>> rows[] = {
        {0, [](double w, double h) { return QRectF(0, 0, w, h); }},
        {-90, [](double w, double h) { return QRectF(-h, 0, h, w); }},
        {90, [](double w, double h) { return QRectF(0, -w, h, w); }},
        {180, [](double w, double h) { return QRectF(-w, -h, w, h); }},
        {-450, [](double w, double h) { return QRectF(-h, 0, h, w); }}};
    for (const auto& [degrees, area] : rows) {
        SCOPED_TRACE(degrees);
        Canvas canvas({200, 200});
        RasterSurface& surface = canvas.surface;
        const QString text = "Wwwwww";
        surface.MoveTo(3, 4);
        surface.DrawRotatedText(text, 100, 100, degrees);

        const QRect ink = InkBounds(surface.Image(), surface.Image().rect());
        ASSERT_FALSE(ink.isEmpty());
        const QRectF allowed = area(surface.TextWidth(text), surface.TextHeight(text))
                                   .translated(100, 100)
                                   .adjusted(-2, -2, 2, 2);
        EXPECT_TRUE(allowed.contains(QRectF(ink)))
            << "ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
        EXPECT_EQ(surface.CurrentX(), 3);
        EXPECT_EQ(surface.CurrentY(), 4);
    }
}

// --- size, painting, description -----------------------------------------------------------------

TEST(RasterSurface, ResizeKeepsTheTopLeftCropsAndFillsNewAreaWithTheBackColour) {
    Canvas canvas({100, 50});
    RasterSurface& surface = canvas.surface;
    surface.Box(0, 0, 10, 10, Box::Filled, kRedValue);
    surface.MoveTo(3, 4);
    surface.SetBackColor(kBlueValue);

    canvas.control.resize(150, 80);
    EXPECT_EQ(surface.PixelSize(), QSize(150, 80));
    EXPECT_EQ(surface.Image().pixelColor(5, 5), kRed);
    EXPECT_EQ(surface.Image().pixelColor(50, 20), kWhite) << "drawn area kept as it was";
    EXPECT_EQ(surface.Image().pixelColor(120, 20), kBlue);
    EXPECT_EQ(surface.Image().pixelColor(20, 70), kBlue);

    canvas.control.resize(5, 5);
    EXPECT_EQ(surface.Image().pixelColor(4, 4), kRed);
    canvas.control.resize(100, 50);
    EXPECT_EQ(surface.Image().pixelColor(8, 8), kBlue) << "a crop is final";
    EXPECT_EQ(surface.CurrentX(), 3);
    EXPECT_EQ(surface.CurrentY(), 4);

    canvas.control.resize(20000, 3);
    EXPECT_EQ(surface.PixelSize(), QSize(RasterSurface::MaxSide, 3));
    canvas.control.resize(0, 40);
    EXPECT_TRUE(surface.Image().isNull());
    surface.Line(0, 0, 9, 9);
    EXPECT_EQ(surface.CurrentX(), 9) << "an empty picture still keeps the drawing state";
}

// Painted on the control's own surface, so every widget of the control lies above it.
TEST(RasterSurface, TheControlShowsThePicture) {
    Canvas canvas;
    canvas.surface.Box(0, 0, 200, 100, Box::Filled, kRedValue);
    EXPECT_EQ(canvas.control.grab().toImage().pixelColor(10, 10), kRed);
}

// What the description holds (the picture's hash) shows in the path control's golden dump, blank
// and drawn on.
TEST(RasterSurface, ClearGivesTheBlankPictureBackAndMovesToTheOrigin) {
    Canvas canvas;
    RasterSurface& surface = canvas.surface;
    const QImage blank = surface.Image().copy();
    surface.Line(0, 50, 10, 50);
    ASSERT_FALSE(surface.Image() == blank);
    surface.Clear();
    EXPECT_TRUE(surface.Image() == blank);
    EXPECT_EQ(surface.CurrentX(), 0);
    EXPECT_EQ(surface.CurrentY(), 0);
}

} // namespace
