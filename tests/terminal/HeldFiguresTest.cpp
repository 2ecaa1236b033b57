// What a terminal shows of a control whose read fails or takes long, against a test server whose
// answers the test switches: the last good figures, marked, until the next good read.
#include "FormTerminal.h"
#include "StaleFrame.h"
#include "TerminalForms.h"

#include "support/Checks.h"
#include "support/Printers.h"
#include "support/TestHttpServer.h"

#include "controls/prodcode/ProdCode.h"
#include "frame/children/Label.h"
#include "frame/control/Description.h"
#include "json/JsonBag.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

using k7::cli::FormTerminal;
using k7::test::ScriptedReply;
using k7::test::WaitUntil;

namespace {

const std::string kPath = "processes/prod";

ScriptedReply Product(const std::string& code) {
    return {.body = R"({"status":0,"data":[{"Id_prod":")" + code + R"("}],"message":"Success"})"};
}

// A terminal of one ProdCode refreshed every half second, on `server`, with short waits, so that
// reopening and long reads show in a second.
struct CodeTerminal {
    explicit CodeTerminal(const k7::test::TestHttpServer& server)
        : terminal(k7::test::WriteForm(dir, k7::test::Widget("ProdCode", "code", 10,
                                                             k7::test::Property("Process", "P100") +
                                                                 k7::test::RefreshSeconds(0.5))),
                   [&server] {
                       FormTerminal::Settings settings{{server.BaseUrl(), "ORV", "DEMO"}, 5000};
                       settings.Reopen = {.FirstMs = 100, .LongestMs = 400, .Jitter = 0.2};
                       settings.LongReadLeastMs = 1000;
                       return settings;
                   }()),
          code(*terminal.Form().findChild<k7::ProdCode*>("code")) {
        terminal.show();
        terminal.Open();
    }
    QString Shown() const { return code.lblCode().Caption(); }
    QString Mark() const { return terminal.MarkText(code); }
    // What the dump of `k7 terminal` says the control shows, and since when it is held.
    QString Dumped() const {
        const auto bag = k7::JsonBag::Create();
        terminal.DescribeShown(code, k7::Description(bag));
        const k7::Variant since = bag->Item("heldSince");
        return bag->Item("shown").ToText() + " " + (since.IsNull() ? QStringLiteral("null") : since.ToText());
    }

    QTemporaryDir dir;
    FormTerminal terminal;
    k7::ProdCode& code;
};

struct HoldCase {
    friend void PrintTo(const HoldCase& c, std::ostream* out) { *out << c.Name; }
    const char* Name;
    ScriptedReply Failure;
    QString Reason;        // what the status line says of the failure
    bool GoodFirst = true; // false: the very first read fails
};

class HeldFigures : public ::testing::TestWithParam<HoldCase> {};

TEST_P(HeldFigures, ShowTheLastGoodFiguresMarkedUntilTheNextGoodRead) {
    const HoldCase& c = GetParam();
    k7::test::TestHttpServer server;
    server.Script(kPath, c.GoodFirst ? Product("T-100") : c.Failure);
    CodeTerminal screen(server);
    auto* frame = screen.terminal.Form().findChild<k7::cli::StaleFrame*>("codeStaleFrame");
    ASSERT_NE(frame, nullptr);
    if (c.GoodFirst) {
        ASSERT_TRUE(WaitUntil([&] { return screen.Shown() == "T-100"; })) << screen.Shown().toStdString();
        server.Script(kPath, c.Failure);
        ASSERT_TRUE(WaitUntil([&] { return screen.Mark().startsWith("stale "); }))
            << screen.Mark().toStdString();
        // The figures, not the control's failure state, and their time in the status line.
        EXPECT_EQ(screen.Shown(), "T-100");
        EXPECT_TRUE(screen.Dumped().startsWith("held 20")) << screen.Dumped().toStdString();
        EXPECT_TRUE(screen.terminal.StatusText().contains("code last good "))
            << screen.terminal.StatusText().toStdString();
    } else {
        // Marked from the start, while the first read is out, and still after it failed.
        ASSERT_TRUE(WaitUntil([&] { return screen.Dumped() == "no figures yet null"; }))
            << screen.Dumped().toStdString();
        EXPECT_EQ(screen.Mark(), "no figures yet");
        EXPECT_EQ(screen.Shown(), "No Data");
    }
    EXPECT_TRUE(frame->isVisible());
    EXPECT_TRUE(screen.terminal.StatusText().contains(c.Reason))
        << screen.terminal.StatusText().toStdString();

    server.Script(kPath, Product("T-200"));
    ASSERT_TRUE(WaitUntil([&] { return screen.Shown() == "T-200"; })) << screen.Shown().toStdString();
    EXPECT_EQ(screen.Mark(), "");
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(screen.Dumped(), "current null");
    EXPECT_FALSE(screen.terminal.StatusText().contains("last good"))
        << screen.terminal.StatusText().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Failures, HeldFigures,
    ::testing::Values(HoldCase{"ServerError", {.status = 500}, "(HTTP 500"},
                      HoldCase{"RefusedByTheService",
                               {.body = R"({"status":3,"data":[],"message":"no shift"})"},
                               "no shift)"},
                      HoldCase{"NoAnswer", {.raw = ""}, "(no answer"},
                      HoldCase{"NeverGood", {.status = 500}, "code no figures yet (HTTP 500", false}),
    [](const auto& info) { return std::string(info.param.Name); });

// A read that hangs marks its control long before the request's time-out, and the status line
// counts it; the reply, when it comes, clears the mark.
TEST(LongRead, MarksTheControlAndCountsItWhileTheReadIsOut) {
    k7::test::TestHttpServer server;
    server.Script(kPath, Product("T-100"));
    CodeTerminal screen(server);
    ASSERT_TRUE(WaitUntil([&] { return screen.Shown() == "T-100"; }));
    server.Script(kPath, {.body = Product("T-200").body, .gated = true});
    ASSERT_TRUE(WaitUntil([&] { return screen.Mark().startsWith("waiting "); }, std::chrono::seconds(4)))
        << screen.Mark().toStdString();
    EXPECT_EQ(screen.Shown(), "T-100");
    EXPECT_TRUE(screen.terminal.StatusText().contains("1 read waiting"))
        << screen.terminal.StatusText().toStdString();
    server.GatedReplies().Open();
    ASSERT_TRUE(WaitUntil([&] { return screen.Shown() == "T-200"; }));
    EXPECT_EQ(screen.Mark(), "");
    EXPECT_FALSE(screen.terminal.StatusText().contains("waiting"))
        << screen.terminal.StatusText().toStdString();
}

} // namespace
