// A control on a screen of device pixel ratio 2 (ctest runs this with QT_SCALE_FACTOR=2): every
// fill, border, bevel and line of the frame on exactly the logical pixels it covers at ratio 1, and
// text (a label's, a button's, the picture's) rendered at the device's resolution, not enlarged.

#include "support/TestControl.h"

#include "controls/pathcontrol/RasterSurface_p.h"
#include "frame/children/CommandButton.h"
#include "frame/children/FilledRect_p.h"
#include "frame/children/Label.h"
#include "frame/children/Line_p.h"

#include <QPixmap>

#include <gtest/gtest.h>

namespace {

TEST(HighDpi, SameLogicalPixelsAsAtRatioOneAndTextAtDeviceResolution) {
    TestControl control; // 200 x 100 pixels
    k7::RasterSurface& picture = control.Create<k7::RasterSurface>("picPath");
    picture.Clear();
    picture.SetDrawWidth(3);
    picture.Box(5, 5, 60, 40);
    picture.SetDrawWidth(1);
    picture.Box(70, 5, 90, 25, k7::RasterSurface::BoxStyle::Filled, 0x0000FF);
    picture.Line(5, 60, 90, 60);
    picture.Line(100, 5, 100, 60);
    picture.MoveTo(110, 10);
    picture.Print("Updating...");
    control.Create<k7::FilledRect>("bar").ApplyDesign(
        {.Bounds = {150, 1050, 600, 300},
         .Look = {.FillColor = 0x00C000, .Border = k7::BorderStyle::Single}});
    control.Create<k7::Line>("lineV").ApplyDesign({.X1 = 900, .Y1 = 1000, .X2 = 900, .Y2 = 1400});
    control.Create<k7::Line>("lineH").ApplyDesign(
        {.X1 = 1000, .Y1 = 1100, .X2 = 1500, .Y2 = 1100, .Width = 2});
    control.Create<k7::Line>("lineTop").ApplyDesign(
        {.X1 = 1000, .Y1 = 1300, .X2 = 1500, .Y2 = 1300, .Width = 3});
    k7::Label& label = control.Create<k7::Label>("lblTxt").ApplyDesign(
        {.Bounds = {1650, 1000, 1200, 300}, .Border = k7::BorderStyle::Single});
    label.SetCaption("Tool / Part");
    k7::CommandButton& button = control.Create<k7::CommandButton>("btnJust", 0);
    button.ApplyDesign({.Bounds = {1650, 450, 1200, 450}});
    button.SetCaption("Justify");
    control.show();
    ASSERT_EQ(control.devicePixelRatio(), 2.0) << "run with QT_SCALE_FACTOR=2";
    // Where text is drawn (antialiased descenders reach a little past a printed line's box).
    const std::vector<QRect> text = {
        QRectF(110, 10, picture.TextWidth("Updating..."), picture.TextHeight("Updating..."))
            .toAlignedRect()
            .adjusted(-2, -2, 2, 2),
        label.geometry().adjusted(1, 1, -1, -1), button.geometry().adjusted(3, 2, -3, -2)};

    const QImage fine = control.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage coarse(control.size(), QImage::Format_RGB32);
    control.render(&coarse);
    ASSERT_EQ(fine.size(), control.size() * 2);
    const auto uniform = [&fine](int x, int y) {
        const QRgb corner = fine.pixel(2 * x, 2 * y);
        return fine.pixel(2 * x + 1, 2 * y) == corner && fine.pixel(2 * x, 2 * y + 1) == corner &&
               fine.pixel(2 * x + 1, 2 * y + 1) == corner;
    };
    int moved = 0; // logical pixels outside text whose four device pixels differ from ratio 1
    for (int y = 0; y < control.height(); ++y)
        for (int x = 0; x < control.width(); ++x)
            if (std::none_of(text.begin(), text.end(),
                             [&](const QRect& area) { return area.contains(x, y); }))
                moved += !(uniform(x, y) && fine.pixel(2 * x, 2 * y) == coarse.pixel(x, y));
    EXPECT_EQ(moved, 0);
    // An enlarged ratio-1 picture has every 2 x 2 block in one colour; glyphs drawn at the device's
    // resolution put their edges between the device pixels of a logical one.
    for (const QRect& area : text) {
        int finer = 0;
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                finer += !uniform(x, y);
        EXPECT_GT(finer, 10) << "text at " << area.x() << "," << area.y();
    }
}

} // namespace
