// The product code: when its layout follows the extent, how it is drawn, and what each reply shows.

#include "support/Printers.h"
#include "support/QueuedRequest.h"

#include "controls/prodcode/ProdCode.h"
#include "frame/children/Label.h"
#include "frame/drawing/Colors.h"

#include <QImage>

#include <gtest/gtest.h>

using k7::ProdCode;

namespace {

// The design extent's layout is in the golden dump; here when it is worked out again: both labels
// follow a doubled extent, and the new font size, at Createlabels and not before.
TEST(ProdCodeLayout, RefreshFalseLaysOutFromTheOuterExtentAndOnlyItFollowsAResize) {
    ProdCode control;
    control.Refresh(false);
    const auto layout = [&control] {
        return std::pair(control.lblTxt().Bounds(), control.lblCode().Bounds());
    };
    const auto doubled = [](const k7::TwipsRect& r) {
        return k7::TwipsRect{2 * r.Left, 2 * r.Top, 2 * r.Width, 2 * r.Height};
    };
    const auto design = layout();
    const float designFont = control.lblCode().FontSize();
    control.SetExtent(2 * control.Width(), 2 * control.Height());
    control.setFontSize(2 * designFont);
    EXPECT_FALSE(control.RefreshProd()) << "no APIHost: nothing loaded (what it shows: ContractTest)";
    control.Refresh(true);
    EXPECT_EQ(layout(), design) << "Refresh(True) keeps the layout";
    EXPECT_EQ(control.lblCode().FontSize(), designFont) << "a FontSize write waits for Createlabels";
    control.Createlabels();
    EXPECT_EQ(layout(), std::pair(doubled(design.first), doubled(design.second)));
    EXPECT_EQ(control.lblCode().FontSize(), 2 * designFont);
}

// A colour close to `target` (anti-aliased text blends into its background).
bool HasPixelNear(const QImage& image, const QRect& area, const QColor& target, int tolerance) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor c = image.pixelColor(x, y);
            if (std::abs(c.red() - target.red()) <= tolerance &&
                std::abs(c.green() - target.green()) <= tolerance &&
                std::abs(c.blue() - target.blue()) <= tolerance)
                return true;
        }
    return false;
}

TEST(ProdCodeRendering, GreenCaptionOnBlackAndTheCodeRightAlignedInABorderedGreyBox) {
    ProdCode control;
    control.Refresh(false);
    control.lblCode().SetCaption("T-4711");
    const QImage image = control.grab().toImage();
    const QRect txt = control.lblTxt().geometry();
    const QRect code = control.lblCode().geometry();
    EXPECT_EQ(image.pixelColor(2, 1), QColor(0, 0, 0));
    EXPECT_TRUE(HasPixelNear(image, txt, QColor(128, 255, 128), 40)) << "green caption drawn";
    const QColor border = k7::Colors::ToQColor(k7::Colors::WindowBackground, control.lblCode().palette());
    EXPECT_EQ(image.pixelColor(code.left(), code.center().y()), border);
    EXPECT_EQ(image.pixelColor(code.left() + 3, code.bottom() - 2), QColor(192, 192, 192));
    const QColor text = k7::Colors::ToQColor(k7::Colors::ButtonText, control.lblCode().palette());
    const QRect rightHalf(code.center().x(), code.top() + 1, code.width() / 2 - 1, code.height() - 2);
    const QRect leftHalf(code.left() + 1, code.top() + 1, code.width() / 2 - 1, code.height() - 2);
    EXPECT_TRUE(HasPixelNear(image, rightHalf, text, 60)) << "code drawn at the right";
    EXPECT_FALSE(HasPixelNear(image, leftHalf, text, 60)) << "nothing drawn at the left";
}

// Read under the status rule, the message unjudged: a rejected read shows "No Data", a failed one
// keeps the caption and its failure, which the next successful Refresh(True) does not clear.
TEST(ProdCodeLoad, ShowsTheFirstCodeOrNoDataAndAFailureKeepsTheCaptionAndTheError) {
    const std::tuple<QString, QString, QString> rows[] = {
        {R"({"status":0,"data":[{"Id_prod":"T-4711"}],"message":"Failed"})", "T-4711", ""},
        {R"({"status":0,"data":[{"Id_prod":"A-1","x":1},{"Id_prod":"B-2"}]})", "A-1", ""},
        {R"({"status":1,"data":[{"Id_prod":"Q"}],"message":"Success"})", "No Data", ""},
        {R"({"status":0,"data":[]})", "OLD", "424-Object required"}};
    const QString url = "GET http://plant/processes/prod?process=P100&session=S7&company=ACME";
    for (const auto& [body, caption, error] : rows) {
        SCOPED_TRACE(body.toStdString());
        QueuedControl<ProdCode> scripted("http://plant", {R"({"status":0,"data":[{"Id_prod":"OLD"}]})", body,
                                                          R"({"status":0,"data":[{"Id_prod":"NEW"}]})"});
        ProdCode& control = scripted.control;
        EXPECT_EQ(control.RefreshProd(), error.isEmpty());
        EXPECT_EQ(std::pair(control.lblCode().Caption(), control.Error()), std::pair(caption, error));
        EXPECT_FALSE(control.Refresh(true));
        EXPECT_EQ(std::pair(control.lblCode().Caption(), control.Error()), std::pair(QString("NEW"), error));
        EXPECT_EQ(scripted.replies->Sent, QStringList({url, url}));
    }
}

} // namespace
