// The canvas interpreter through PathControl::Paint, judged by the pixels of the picture: either at
// probe points, or against a second picture drawn by a script that says the same thing plainly
// (an error text written out, the statement a quirk really runs).

#include "support/Printers.h"

#include "frame/RasterSurface.h"
#include "controls/pathcontrol/CanvasInterpreter.h"
#include "controls/pathcontrol/PathControl.h"

#include <QImage>

#include <gtest/gtest.h>

#include <optional>
#include <vector>

using k7::PathControl;

// Shared with PathControlTest.cpp.
namespace pathview_test {

void Size(PathControl& control, int width, int height) {
    control.SetExtent(static_cast<float>(control.PixelsToTwips(width)),
                      static_cast<float>(control.PixelsToTwips(height)));
}

QRect InkBounds(const QImage& image) {
    QRect ink;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixelColor(x, y) != QColor(255, 255, 255))
                ink |= QRect(x, y, 1, 1);
    return ink;
}

} // namespace pathview_test

namespace {

using pathview_test::InkBounds;
using pathview_test::Size;

const QColor kWhite(255, 255, 255), kBlack(0, 0, 0), kRed(255, 0, 0), kBlue(0, 0, 255);

// The picture after painting `scripts` one after the other on a fresh 200 x 120 control.
QImage Render(const QStringList& scripts) {
    PathControl control;
    Size(control, 200, 120);
    for (const QString& script : scripts)
        control.Paint(script);
    return control.picPath().Image().copy();
}

// --- statements to pixels ----------------------------------------------------------------------

struct Probe {
    int X, Y;
    QColor Expected;
};

struct PixelRow {
    const char* Name;
    QString Script;
    std::vector<Probe> Probes;
    std::optional<QPointF> CurrentPoint = std::nullopt;
};

class CanvasPixels : public ::testing::TestWithParam<PixelRow> {};

TEST_P(CanvasPixels, DrawTheStatementsAtOnce) {
    const PixelRow& row = GetParam();
    PathControl control;
    Size(control, 200, 120);
    control.Paint(row.Script);
    const QImage image = control.picPath().Image();
    for (const Probe& probe : row.Probes)
        EXPECT_EQ(image.pixelColor(probe.X, probe.Y), probe.Expected) << "at " << probe.X << "," << probe.Y;
    if (row.CurrentPoint) {
        EXPECT_DOUBLE_EQ(control.picPath().CurrentX(), row.CurrentPoint->x());
        EXPECT_DOUBLE_EQ(control.picPath().CurrentY(), row.CurrentPoint->y());
    }
    EXPECT_EQ(control.Error(), "");
}

const QColor kOrange(255, 128, 0);

INSTANTIATE_TEST_SUITE_P(
    Canvas, CanvasPixels,
    ::testing::Values(
        PixelRow{"RedLineAndStrokeStyleAlsoFills",
                 "ctx.strokeStyle='#ff0000';ctx.moveTo(10,10);ctx.lineTo(100,10);ctx.arc(150,60,5,0,1)",
                 {{10, 10, kRed}, {100, 10, kRed}, {55, 12, kWhite}, {103, 10, kWhite}, {150, 60, kRed}},
                 QPointF(150, 60)},
        PixelRow{"WideLine",
                 "ctx.lineWidth = 5;ctx.moveTo(10,50);ctx.lineTo(100,50)",
                 {{50, 48, kBlack}, {50, 52, kBlack}, {50, 54, kWhite}},
                 QPointF(100, 50)},
        PixelRow{"RgbaBoxOpacityIgnoredComponentsAbove255Are255",
                 "ctx.fillStyle='rgba(300,128,0,0.5)';ctx.fillRect(5,5,20,10)",
                 {{5, 5, kOrange}, {24, 14, kOrange}, {25, 10, kWhite}, {10, 15, kWhite}, {4, 5, kWhite}},
                 QPointF(25, 15)},
        PixelRow{"EveryArcIsAFullSolidCircle",
                 "ctx.fillStyle='#0000ff';ctx.arc(50,50,5,0,3.14)",
                 {{50, 50, kBlue}, {50, 46, kBlue}, {50, 54, kBlue}, {46, 50, kBlue}, {57, 50, kWhite}},
                 QPointF(50, 50)},
        // Six digits read as a 32-bit number even where the value fits 16 bits, so blue is kept.
        PixelRow{"SixDigitColoursAreTheColoursTheyName",
                 "ctx.fillStyle='#00ff00';ctx.fillRect(0,0,10,10);ctx.fillStyle='#008000';ctx.fillRect(20,0,"
                 "10,10);"
                 "ctx.fillStyle='#ffff00';ctx.fillRect(40,0,10,10);ctx.fillStyle='#ffa500';ctx.fillRect(60,0,"
                 "10,10);"
                 "ctx.fillStyle='#808000';ctx.fillRect(80,0,10,10);ctx.fillStyle='#123456';ctx.fillRect(100,"
                 "0,10,10)",
                 {{5, 5, QColor(0, 255, 0)},
                  {25, 5, QColor(0, 128, 0)},
                  {45, 5, QColor(255, 255, 0)},
                  {65, 5, QColor(255, 165, 0)},
                  {85, 5, QColor(128, 128, 0)},
                  {105, 5, QColor(0x12, 0x34, 0x56)}}},
        PixelRow{"ThreeDigitColoursReadWrongCharactersRgbAndBlanksAroundEqualsAreBlack",
                 "ctx.fillStyle='#f00';ctx.fillRect(0,0,10,10);"
                 "ctx.fillStyle='rgb(0,0,255)';ctx.fillRect(20,0,10,10);"
                 "ctx.fillStyle='#0000ff';ctx.fillStyle = '#0000ff';ctx.fillRect(40,0,10,10)",
                 {{5, 5, QColor(240, 0, 0)}, {25, 5, kBlack}, {45, 5, kBlack}}},
        // A lone LF hides the statement after it, CR LF separates lines, a leading blank hides a
        // statement, empty ones are skipped, any receiver is fine, unknown commands are ignored.
        PixelRow{"Separators",
                 "ctx.fillStyle='#ff0000';ctx.fillRect(0,0,10,10);"
                 "\nctx.fillStyle='#0000ff';ctx.fillRect(20,0,10,10)"
                 "\r\nctx.fillStyle='#0000ff';ctx.fillRect(40,0,10,10);;; ctx.fillRect(60,0,10,10);"
                 "abc.fillRect(80,0,10,10);ctx.stroke();ctx.beginPath();ctx.font='20px Arial'",
                 {{5, 5, kRed}, {25, 5, kRed}, {45, 5, kBlue}, {65, 5, kWhite}, {85, 5, kBlue}}},
        PixelRow{"HugeNumbersClippedOfEndlessArgumentsOnlyTheFirstRead",
                 "ctx.fillStyle='#0000ff';ctx.arc(100,60,3e38,0,1);ctx.fillStyle='#000000';"
                 "ctx.moveTo(-1e38,60);ctx.lineTo(1e38,60);ctx.moveTo(7,9" +
                     QString(",1").repeated(200000) + ")",
                 {{0, 0, kBlue}, {199, 119, kBlue}, {0, 60, kBlack}, {199, 60, kBlack}},
                 QPointF(7, 9)}),
    [](const auto& info) { return std::string(info.param.Name); });

// --- what a script does, said plainly ------------------------------------------------------------

// A script, or scripts painted in turn on one control, and a plain script that paints the same.
struct SameRow {
    QStringList Scripts;
    QString Expected;
};

void PrintTo(const SameRow& row, std::ostream* out) {
    *out << row.Scripts.join(" | ").left(200).toStdString();
}

class CanvasSamePicture : public ::testing::TestWithParam<SameRow> {};

TEST_P(CanvasSamePicture, AsTheScriptThatSaysItPlainly) {
    const QImage expected = Render({GetParam().Expected});
    EXPECT_NE(InkBounds(expected), QRect()) << "the expectation draws something";
    EXPECT_TRUE(Render(GetParam().Scripts) == expected);
}

// A failure: the rest is skipped, its text drawn in black at (10, 20).
QString Fails(const QString& text) {
    return "ctx.fillText('" + text + "',10,20)";
}

const QString kBox = "ctx.fillRect(150,80,10,10);";
const QString kTopLeft = "ctx.textAlign='left';ctx.textBaseline='top';";
const QString kInvalid = "5-Invalid procedure call or argument", kOverflow = "6-Overflow";

INSTANTIATE_TEST_SUITE_P(
    Canvas, CanvasSamePicture,
    ::testing::Values(
        SameRow{{kBox + "ctx.lineWidth=0;ctx.fillRect(0,0,50,50)"},
                kBox + Fails("380-Invalid property value")},
        SameRow{{"ctx.strokeStyle='#ff0000';ctx.moveTo(1)\r\n" + kBox}, Fails("9-Subscript out of range")},
        SameRow{{"ctx.lineTo(4,x)"}, Fails("13-Type mismatch")},
        SameRow{{"ctx.fillRect()"}, Fails("9-Subscript out of range")},
        SameRow{{"ctx.moveTo"}, Fails(kInvalid)},     // too short for its brackets
        SameRow{{"ctx.fillStyle="}, Fails(kInvalid)}, // too short for its quotes
        SameRow{{"ctx.fillStyle='rgba(-1,0,0,1)'"}, Fails(kInvalid)},
        SameRow{{"ctx.moveTo(1e39,0)"}, Fails(kOverflow)},
        SameRow{{"ctx.fillRect(3e38,0,3e38,1)"}, Fails(kOverflow)}, // the sum leaves the single range
        SameRow{{"ctx.arcTo(20,20,3)"}, Fails("13-Type mismatch")}, // arc, its arguments cut by position
        SameRow{{kTopLeft + "ctx.lineWidth=-1"}, kTopLeft + Fails("380-Invalid property value")},
        // The failure text is a fillText too: when saved it is turned and needs a translate as well.
        SameRow{{kBox + "ctx.save();ctx.fillText('up',0,0);ctx.fillRect(0,0,9,9)"}, kBox},
        // The 16-bit loop counters: 40,000 lines stop before the first, 32,768 run, then overflow.
        SameRow{{kBox + QString("\r\n").repeated(39999)}, Fails(kOverflow)},
        SameRow{{kBox + QString("\r\n").repeated(32767)}, kBox + Fails(kOverflow)},
        SameRow{{kBox + QString("\r\n").repeated(32766)}, kBox},
        SameRow{{kBox + QString(";").repeated(32768)}, Fails(kOverflow)},
        // Alignment, colour, width and current point carry over from one script to the next.
        SameRow{{"ctx.textAlign = 'left';ctx.textBaseline='top';ctx.strokeStyle='#ff0000';ctx.lineWidth=3;"
                 "ctx.moveTo(10,10)",
                 "ctx.lineTo(90,90);ctx.fillText('Hello',100,50)"},
                kTopLeft + "ctx.strokeStyle='#ff0000';ctx.lineWidth=3;ctx.moveTo(10,10);ctx.lineTo(90,90);"
                           "ctx.fillText('Hello',100,50)"},
        SameRow{{"ctx.textAlign='start';ctx.textBaseline='middle';ctx.fillText('Hi',100,50)"},
                "ctx.fillText('Hi',100,50)"},
        // A lenient x (of a very long number only its start), extra fields ignored, no quotes: at the
        // current point.
        SameRow{{"ctx.fillText('Hi',100px,50,400)"}, "ctx.fillText('Hi',100,50)"},
        SameRow{{"ctx.fillText('Hi',1.1" + QString(".1").repeated(100000) + ",50)"},
                "ctx.fillText('Hi',1.1,50)"},
        SameRow{{"ctx.moveTo(40,30);ctx.fillText(Hello)"}, kTopLeft + "ctx.fillText('Hello',40,30)"},
        // Saved text ignores the rotate angle and its own x and y.
        SameRow{{"ctx.save();ctx.translate(30,20);ctx.rotate(1);ctx.fillText('Down',0,0);ctx.restore()"},
                "ctx.save();ctx.translate(30,20);ctx.fillText('Down',99,99);ctx.restore()"}));

// --- text positions -------------------------------------------------------------------------------

TEST(CanvasText, CentredByDefaultTopLeftWhenAskedAndRunningDownwardsWhenSaved) {
    PathControl control;
    Size(control, 200, 200);
    const double width = control.picPath().TextWidth("Hello");
    const double height = control.picPath().TextHeight("Hello");
    const auto ink = [&control](const QString& script) {
        control.picPath().Clear();
        control.Paint(script);
        return InkBounds(control.picPath().Image());
    };

    QRect box = ink("ctx.fillText('Hello',100,50)");
    EXPECT_NEAR(box.center().x(), 100, 3);
    EXPECT_GE(box.top(), 50 - height / 2);
    EXPECT_LE(box.bottom(), 50 + height / 2);
    EXPECT_GT(box.width(), box.height());

    box = ink("ctx.textAlign='left';ctx.textBaseline='top';ctx.fillText('Hello',100,50)");
    EXPECT_TRUE(box.left() >= 100 && box.left() <= 102 && box.top() >= 50 && box.bottom() <= 50 + height);
    EXPECT_EQ(control.picPath().CurrentX(), 0) << "printing moves to the next line";
    EXPECT_DOUBLE_EQ(control.picPath().CurrentY(), 50 + height);

    box = ink("ctx.textAlign='right';ctx.textBaseline='bottom';ctx.fillText('Hello',100,50)");
    EXPECT_TRUE(box.right() <= 100 && box.right() >= 97 && box.bottom() <= 50);

    // Turned 90 degrees clockwise: its tops face right, so it lies left of the anchor and below it.
    box = ink(
        "ctx.save();ctx.translate(30,100);ctx.rotate(-Math.PI/2);ctx.fillText('Hello',0,0);ctx.restore()");
    EXPECT_GT(box.height(), box.width());
    EXPECT_TRUE(box.top() >= 100 && box.bottom() <= 100 + width + 1);
    EXPECT_TRUE(box.right() <= 30 && box.left() >= 30 - height);
    EXPECT_EQ(control.picPath().CurrentX(), 30) << "the translate point is the current point";
    EXPECT_EQ(control.picPath().CurrentY(), 100);
    EXPECT_FALSE(control.Interpreter().Saved()) << "restore ends rotated text";
}

TEST(CanvasText, TextRotateDrawsOnlyOnItsOwnDeviceContext) {
    PathControl control;
    PathControl other;
    Size(control, 100, 100);
    EXPECT_NE(control.hDC(), 0);
    EXPECT_NE(control.hDC(), other.hDC());
    EXPECT_FALSE(control.TextRotate(0, "Hi", 50, 10, -90));
    EXPECT_FALSE(control.TextRotate(other.hDC(), "Hi", 50, 10, -90));
    EXPECT_FALSE(control.TextRotate(control.hDC(), "Hi", 50, 10, 1e38f)) << "a turn beyond 32 bits";
    EXPECT_EQ(InkBounds(control.picPath().Image()), QRect());

    EXPECT_TRUE(control.TextRotate(control.hDC(), "Hi", 50, 10, -90));
    const QRect ink = InkBounds(control.picPath().Image());
    EXPECT_TRUE(ink.top() >= 10 && ink.right() <= 50);
    EXPECT_EQ(control.picPath().CurrentX(), 0) << "the current point does not move";
}

} // namespace
