// PathControl's canvas interpreter: the statements of a drawing script, judged by the pixels of
// the picture they paint.

#include "support/InkBounds.h"
#include "support/Printers.h"

#include "PathPictures.h"

#include "controls/pathcontrol/PathControl.h"

#include <QImage>

#include <gtest/gtest.h>

#include <vector>

namespace {

using k7::PathControl;
using k7::test::Message;
using k7::test::Painted;
using k7::test::Size;

const QColor kWhite(255, 255, 255), kRed(255, 0, 0), kBlue(0, 0, 255), kOrange(255, 128, 0);

// --- the canvas: statements to pixels -----------------------------------------------------------

struct Probe {
    int X, Y;
    QColor Expected;
};

struct PixelRow {
    const char* Name;
    QString Script;
    std::vector<Probe> Probes;
};

TEST(CanvasPixels, DrawTheStatementsAtOnce) {
    // The probes of a row laid out by hand: the formatter would give each a line of its own.
    // clang-format off
    const PixelRow rows[] = {
        // Every arc is a full, solid circle whatever its angles; the stroke style fills it too.
        PixelRow{"RedLineAndArc",
                 "ctx.strokeStyle='#ff0000';ctx.moveTo(10,10);ctx.lineTo(100,10);ctx.arc(150,60,5,0,1)",
                 {{10, 10, kRed}, {100, 10, kRed}, {55, 12, kWhite}, {103, 10, kWhite}, {150, 60, kRed},
                  {150, 56, kRed}, {150, 64, kRed}, {146, 60, kRed}, {157, 60, kWhite}}},
        // clang-format on
        PixelRow{"RgbaBoxOpacityIgnoredComponentsAbove255Are255",
                 "ctx.fillStyle='rgba(300,128,0,0.5)';ctx.fillRect(5,5,20,10)",
                 {{5, 5, kOrange}, {24, 14, kOrange}, {25, 10, kWhite}, {10, 15, kWhite}, {4, 5, kWhite}}},
        // Six digits read as a 32-bit number even where the value fits 16 bits, so blue is kept.
        PixelRow{"SixDigitColoursAreTheColoursTheyName",
                 "ctx.fillStyle='#008000';ctx.fillRect(0,0,10,10);"
                 "ctx.fillStyle='#123456';ctx.fillRect(20,0,10,10)",
                 {{5, 5, QColor(0, 128, 0)}, {25, 5, QColor(0x12, 0x34, 0x56)}}},
        // A lone LF hides the statement after it, CR LF separates lines, a leading blank hides a
        // statement, empty ones are skipped, any receiver is fine, unknown commands are ignored.
        PixelRow{"Separators",
                 "ctx.fillStyle='#ff0000';ctx.fillRect(0,0,10,10);"
                 "\nctx.fillStyle='#0000ff';ctx.fillRect(20,0,10,10)"
                 "\r\nctx.fillStyle='#0000ff';ctx.fillRect(40,0,10,10);;; ctx.fillRect(60,0,10,10);"
                 "abc.fillRect(80,0,10,10);ctx.stroke();ctx.beginPath();ctx.font='20px Arial'",
                 {{5, 5, kRed}, {25, 5, kRed}, {45, 5, kBlue}, {65, 5, kWhite}, {85, 5, kBlue}}}};
    for (const PixelRow& row : rows) {
        SCOPED_TRACE(row.Name);
        const QImage image = Painted({row.Script});
        for (const Probe& probe : row.Probes)
            EXPECT_EQ(image.pixelColor(probe.X, probe.Y), probe.Expected)
                << "at " << probe.X << "," << probe.Y;
    }
}

// --- what a script does, said plainly ------------------------------------------------------------

// A script, or scripts painted in turn on one control, and a plain script that paints the same.
struct SameRow {
    QStringList Scripts;
    QString Expected;
};

const QString kBox = "ctx.fillRect(150,80,10,10);";
const QString kTopLeft = "ctx.textAlign='left';ctx.textBaseline='top';";
const QString kInvalid = "5-Invalid procedure call or argument", kOverflow = "6-Overflow";

TEST(CanvasSamePicture, AsTheScriptThatSaysItPlainly) {
    const SameRow rows[] = {
        // A failure: the rest is skipped, its text drawn as the alignment set so far says.
        {{kBox + kTopLeft + "ctx.lineWidth = 0;ctx.fillRect(0,0,50,50)"},
         kBox + kTopLeft + Message("380-Invalid property value")},
        {{"ctx.strokeStyle='#ff0000';ctx.moveTo(1)\r\n" + kBox}, Message("9-Subscript out of range")},
        {{"ctx.lineTo(4,x)"}, Message("13-Type mismatch")},
        {{"ctx.fillRect()"}, Message("9-Subscript out of range")},
        {{"ctx.moveTo"}, Message(kInvalid)}, // too short for its brackets
        {{"ctx.fillStyle='rgba(-1,0,0,1)'"}, Message(kInvalid)},
        {{"ctx.moveTo(1e39,0)"}, Message(kOverflow)},
        {{"ctx.fillRect(3e38,0,3e38,1)"}, Message(kOverflow)}, // the sum leaves the single range
        {{"ctx.arcTo(20,20,3)"}, Message("13-Type mismatch")}, // arc, its arguments cut by position
        // The failure text is a fillText too: when saved it is turned and needs a translate as well.
        {{kBox + "ctx.save();ctx.fillText('up',0,0);ctx.fillRect(0,0,9,9)"}, kBox},
        // The 16-bit loop counters: 40,000 lines stop before the first, 32,768 run, then overflow.
        {{kBox + QString("\r\n").repeated(39999)}, Message(kOverflow)},
        {{kBox + QString("\r\n").repeated(32767)}, kBox + Message(kOverflow)},
        {{kBox + QString("\r\n").repeated(32766)}, kBox},
        {{kBox + QString(";").repeated(32768)}, Message(kOverflow)},
        // Alignment, colour, width and current point carry over from one script to the next.
        {{"ctx.textAlign = 'left';ctx.textBaseline='top';ctx.strokeStyle='#ff0000';ctx.lineWidth=3;"
          "ctx.moveTo(10,10)",
          "ctx.lineTo(90,90);ctx.fillText('Hello',100,50)"},
         kTopLeft + "ctx.strokeStyle='#ff0000';ctx.lineWidth=3;ctx.moveTo(10,10);ctx.lineTo(90,90);"
                    "ctx.fillText('Hello',100,50)"},
        {{"ctx.textAlign='start';ctx.textBaseline='middle';ctx.fillText('Hi',100,50)"},
         "ctx.fillText('Hi',100,50)"},
        // A lenient x (of a very long number only its start), extra fields ignored; without quotes
        // at the current point, which of endless arguments took only the first two.
        {{"ctx.fillText('Hi',100px,50,400)"}, "ctx.fillText('Hi',100,50)"},
        {{"ctx.fillText('Hi',1.1" + QString(".1").repeated(100000) + ",50)"}, "ctx.fillText('Hi',1.1,50)"},
        {{"ctx.moveTo(40,30" + QString(",1").repeated(200000) + ");ctx.fillText(Hello)"},
         kTopLeft + "ctx.fillText('Hello',40,30)"},
        // Three digits read the wrong characters; "rgb" and blanks around "=" give black.
        {{"ctx.fillStyle='#f00';ctx.fillRect(0,0,10,10)"}, "ctx.fillStyle='#f00000';ctx.fillRect(0,0,10,10)"},
        {{"ctx.fillStyle='rgb(0,0,255)';ctx.fillRect(0,0,10,10)"}, "ctx.fillRect(0,0,10,10)"},
        {{"ctx.fillStyle='#0000ff';ctx.fillStyle = '#0000ff';ctx.fillRect(0,0,10,10)"},
         "ctx.fillRect(0,0,10,10)"},
        // Saved text ignores the rotate angle and its own x and y.
        {{"ctx.save();ctx.translate(30,20);ctx.rotate(1);ctx.fillText('Down',0,0);ctx.restore()"},
         "ctx.save();ctx.translate(30,20);ctx.fillText('Down',99,99);ctx.restore()"}};
    for (const SameRow& row : rows) {
        SCOPED_TRACE(row.Scripts.join(" | ").left(200).toStdString());
        const QImage expected = Painted({row.Expected});
        EXPECT_NE(InkBounds(expected), QRect()) << "the expectation draws something";
        EXPECT_TRUE(Painted(row.Scripts) == expected);
    }
}

// --- text positions -------------------------------------------------------------------------------

TEST(CanvasText, CentredByDefaultRightBottomWhenAskedAndRunningDownwardsWhenSaved) {
    PathControl control;
    Size(control, 200, 200);
    const double height = control.picPath().TextHeight("Hello");
    const auto ink = [&control](const QString& script) {
        control.picPath().Clear();
        control.Paint(script);
        return InkBounds(control.picPath().Image());
    };

    const QRect centred = ink("ctx.fillText('Hello',100,50)");
    QRect box = centred;
    EXPECT_NEAR(box.center().x(), 100, 3);
    EXPECT_GE(box.top(), 50 - height / 2);
    EXPECT_LE(box.bottom(), 50 + height / 2);

    box = ink("ctx.textAlign='right';ctx.textBaseline='bottom';ctx.fillText('Hello',100,50)");
    EXPECT_TRUE(box.right() <= 100 && box.right() >= 97 && box.bottom() <= 50);

    // Turned 90 degrees clockwise about the translate point: left of it and below it.
    box = ink(
        "ctx.save();ctx.translate(30,100);ctx.rotate(-Math.PI/2);ctx.fillText('Hello',0,0);ctx.restore()");
    EXPECT_TRUE(box.top() >= 100 && box.right() <= 30 && !box.isEmpty());
    EXPECT_EQ(control.picPath().CurrentX(), 30) << "the translate point is the current point";
    EXPECT_EQ(control.picPath().CurrentY(), 100);
    box = ink("ctx.textAlign='start';ctx.textBaseline='middle';ctx.fillText('Hello',100,50)");
    EXPECT_EQ(box, centred) << "restore ends rotated text";
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
}

} // namespace
