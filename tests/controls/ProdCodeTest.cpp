#include "support/ScriptedRequest.h"
#include "support/Printers.h"

#include "frame/Colors.h"
#include "frame/Label.h"
#include "controls/prodcode/ProdCode.h"

#include <QEvent>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

using k7::Label;
using k7::ProdCode;
using k7::Variant;

namespace {

// --- layout: the design extent's is in the golden dump ----------------------------------------

TEST(ProdCodeLayout, RefreshFalseLaysOutFromTheOuterExtentAndOnlyItFollowsAResize) {
    ProdCode control;
    control.Refresh(false);
    control.SetExtent(11280, 990);
    control.setFontSize(12);
    control.Refresh(true);
    EXPECT_EQ(control.lblTxt().Bounds(), (k7::TwipsRect{112.8f, 49.5f, 1974, 396}));
    EXPECT_EQ(control.lblTxt().FontSize(), 8.0f) << "a FontSize write waits for Createlabels";
    control.Createlabels();
    EXPECT_EQ(control.lblTxt().Bounds(), (k7::TwipsRect{225.6f, 99, 3948, 792}));
    EXPECT_EQ(control.lblCode().Bounds(), (k7::TwipsRect{4173.6f, 99, 6768, 792}));
    EXPECT_EQ(control.lblCode().FontSize(), 12.0f);
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

TEST(ProdCodeRendering, GreenCaptionOnBlackAndAGreyBoxWithItsBorder) {
    ProdCode control;
    control.Refresh(false);
    control.lblCode().SetCaption("T-4711");
    const QImage image = control.grab().toImage();
    ASSERT_EQ(image.size(), QSize(376, 33));

    const QRect txt = control.lblTxt().geometry();
    const QRect code = control.lblCode().geometry();
    // Outside both labels: the control's black background.
    EXPECT_EQ(image.pixelColor(2, 1), QColor(0, 0, 0));
    EXPECT_EQ(image.pixelColor(374, 16), QColor(0, 0, 0));
    // lblTxt: black box with green text.
    EXPECT_EQ(image.pixelColor(txt.right() - 1, txt.bottom() - 1), QColor(0, 0, 0));
    EXPECT_TRUE(HasPixelNear(image, txt, QColor(128, 255, 128), 40)) << "green caption drawn";
    // lblCode: border in the window-background colour, grey inside, right-aligned dark text.
    const QColor border = k7::Colors::ToQColor(k7::Colors::WindowBackground, control.lblCode().palette());
    EXPECT_EQ(image.pixelColor(code.left(), code.center().y()), border);
    EXPECT_EQ(image.pixelColor(code.right(), code.center().y()), border);
    EXPECT_EQ(image.pixelColor(code.center().x(), code.top()), border);
    EXPECT_EQ(image.pixelColor(code.left() + 3, code.bottom() - 2), QColor(192, 192, 192));
    const QColor text = k7::Colors::ToQColor(k7::Colors::ButtonText, control.lblCode().palette());
    const QRect rightHalf(code.center().x(), code.top() + 1, code.width() / 2 - 1, code.height() - 2);
    const QRect leftHalf(code.left() + 1, code.top() + 1, code.width() / 2 - 1, code.height() - 2);
    EXPECT_TRUE(HasPixelNear(image, rightHalf, text, 60)) << "code drawn at the right";
    EXPECT_FALSE(HasPixelNear(image, leftHalf, text, 60)) << "nothing drawn at the left";
}

// --- loading against a scripted server -------------------------------------------------------
// (ProdCode against the simulated plant, over real HTTP: tests/integration/ShowCommandTest.)

struct ReplyRow {
    const char* Case;
    std::string Body;
    int HttpStatus;
    QString ExpectCaption;
    QString ExpectError;
    bool ExpectResult;
};

void PrintTo(const ReplyRow& row, std::ostream* out) {
    *out << row.Case;
}

// A ProdCode whose requests get scripted replies.
struct ScriptedProdCode {
    ScriptedProdCode() {
        control.SetRequestFactory(ScriptedRequest::Factory(replies));
        control.setAPIHost("http://plant");
    }
    void Reply(const QString& body, int status = 200) {
        replies->Body = body;
        replies->Status = status;
    }
    std::shared_ptr<ScriptedReplies> replies = std::make_shared<ScriptedReplies>();
    ProdCode control;
};

class ProdCodeReply : public ::testing::TestWithParam<ReplyRow> {};

TEST_P(ProdCodeReply, ShowsTheCodeNoDataOrKeepsTheCaptionAndRecordsTheFailure) {
    const ReplyRow& row = GetParam();
    ScriptedProdCode scripted;
    scripted.Reply(QString::fromStdString(row.Body), row.HttpStatus);
    ProdCode& control = scripted.control;
    control.setProcess("P100");
    control.setSession("S7");
    control.setCompany("ACME");
    control.lblCode().SetCaption("OLD");

    EXPECT_EQ(control.RefreshProd(), row.ExpectResult);
    EXPECT_EQ(control.lblCode().Caption(), row.ExpectCaption);
    EXPECT_EQ(control.Error(), row.ExpectError);
    EXPECT_EQ(scripted.replies->Sent,
              QStringList({"GET http://plant/processes/prod?process=P100&session=S7&company=ACME"}));
}

INSTANTIATE_TEST_SUITE_P(
    ProdCode, ProdCodeReply,
    ::testing::Values(
        ReplyRow{"code", R"({"status":0,"data":[{"Id_prod":"T-4711"}],"message":"Success"})", 200, "T-4711",
                 "", true},
        ReplyRow{"first of two", R"({"status":0,"data":[{"Id_prod":"A-1","x":1},{"Id_prod":"B-2"}]})", 200,
                 "A-1", "", true},
        ReplyRow{"numeric code", R"({"status":0,"data":[{"Id_prod":880154}]})", 200, "880154", "", true},
        ReplyRow{"fractional code", R"({"status":0,"data":[{"Id_prod":12.5}]})", 200, "12.5", "", true},
        ReplyRow{"status as text", R"({"status":"0","data":[{"Id_prod":"Z"}]})", 200, "Z", "", true},
        ReplyRow{"message ignored", R"({"status":0,"data":[{"Id_prod":"Q"}],"message":"Failed"})", 200, "Q",
                 "", true},
        ReplyRow{"status 1", R"({"status":1,"data":[],"message":"Unknown process"})", 200, "No Data", "",
                 true},
        ReplyRow{"HTTP 500", R"({"status":0,"data":[{"Id_prod":"never"}]})", 500, "No Data", "", true},
        ReplyRow{"empty data", R"({"status":0,"data":[]})", 200, "OLD", "424-Object required", false},
        ReplyRow{"not JSON", "<html>busy</html>", 200, "OLD",
                 "-2147182176-Expected either { or [ at character 1", false},
        ReplyRow{"null code", R"({"status":0,"data":[{"Id_prod":null}]})", 200, "OLD",
                 "94-Invalid use of Null", false}));

TEST(ProdCodeLoad, AFailureLeavesTheLastCodeAndALaterSuccessKeepsTheError) {
    ScriptedProdCode scripted;
    ProdCode& control = scripted.control;
    scripted.Reply(R"({"status":0,"data":[{"Id_prod":"T-1"}]})");
    EXPECT_FALSE(control.Refresh(true));
    EXPECT_EQ(control.lblCode().Caption(), "T-1");
    scripted.Reply(R"({"status":0,"data":[{}]})");
    control.Refresh(true);
    EXPECT_EQ(control.lblCode().Caption(), "T-1");
    EXPECT_FALSE(control.Error().isEmpty());
    const QString failure = control.Error();
    scripted.Reply(R"({"status":0,"data":[{"Id_prod":"T-2"}]})");
    control.Refresh(true);
    EXPECT_EQ(control.lblCode().Caption(), "T-2");
    EXPECT_EQ(control.Error(), failure) << "never cleared";
}

// Counts the paints a control receives.
class PaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

TEST(ProdCodeLoad, EmptyAPIHostKeepsTheCaptionsAndStillRepaintsAtOnce) {
    ProdCode control;
    control.setProcess("P100");
    control.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&control));
    control.Refresh(false);
    control.lblCode().SetCaption("kept");
    PaintCounter counter;
    control.installEventFilter(&counter);
    EXPECT_FALSE(control.RefreshProd());
    control.Refresh(true);
    EXPECT_EQ(control.lblCode().Caption(), "kept");
    EXPECT_EQ(counter.Paints, 2) << "repainted at once, on every call";
}

} // namespace
