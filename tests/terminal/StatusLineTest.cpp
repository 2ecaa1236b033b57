// What a terminal's status line keeps when its parts do not fit: the writes first, then the
// service, then the stale controls, the rest shortened; the whole text stays in the tooltip.
#include "StatusLine.h"

#include "support/Printers.h"

#include <QFontMetrics>

#include <gtest/gtest.h>

#include <vector>

using k7::cli::StatusLine;
using Rank = StatusLine::Rank;

namespace {

const QString kWrites =
    QStringLiteral("writes: 2 not confirmed, last POST /results unknown (no answer) at 14:02:11");
const QString kService = QStringLiteral("service NOT reachable, next attempt in 12 s");

// Four stale controls with the names a real form gives them, after the service and the writes.
std::vector<StatusLine::Part> FourStaleControls() {
    std::vector<StatusLine::Part> parts;
    for (const char* name : {"prodCodeP100", "prodCodeP200", "oeeTracker", "periodTable"})
        parts.push_back(
            {QStringLiteral("%1 last good 14:01:58 (no answer: Could not connect to server)").arg(name),
             Rank::Controls});
    parts.push_back({kService, Rank::Service});
    parts.push_back({QStringLiteral("periodTable: 13-refused"), Rank::Other});
    parts.push_back({kWrites, Rank::Writes});
    return parts;
}

struct FitCase {
    friend void PrintTo(const FitCase& c, std::ostream* out) { *out << c.Name; }
    const char* Name;
    std::vector<StatusLine::Part> Parts;
    int Width;
    QStringList Whole; // the parts shown whole, in the order shown
    bool Shortened;
};

class StatusLineFit : public ::testing::TestWithParam<FitCase> {};

TEST_P(StatusLineFit, KeepsTheHighestRanksWholeAndShortensTheFirstThatDoesNotFit) {
    const FitCase& c = GetParam();
    StatusLine line;
    line.resize(c.Width, 24);
    line.SetParts(c.Parts);
    const QString shown = line.ShownText();
    const QString whole = c.Whole.join(StatusLine::Separator());
    EXPECT_TRUE(shown.startsWith(whole)) << shown.toStdString();
    EXPECT_EQ(shown.endsWith(QChar(0x2026)), c.Shortened) << shown.toStdString();
    EXPECT_EQ(shown == line.FullText(), !c.Shortened) << shown.toStdString();
    EXPECT_LE(QFontMetrics(line.font()).horizontalAdvance(shown), c.Width - 16) << shown.toStdString();
    EXPECT_EQ(line.toolTip(), line.FullText());
    for (const StatusLine::Part& part : c.Parts)
        EXPECT_TRUE(line.FullText().contains(part.Text)) << part.Text.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Widths, StatusLineFit,
    ::testing::Values(FitCase{"EverythingFitsInRankOrder",
                              {{"chart no figures yet", Rank::Controls},
                               {"service reachable", Rank::Service},
                               {"writes: 1 not confirmed", Rank::Writes}},
                              1280,
                              {"writes: 1 not confirmed", "service reachable", "chart no figures yet"},
                              false},
                      FitCase{"FourStaleControlsAt1280KeepTheWritesAndTheService",
                              FourStaleControls(),
                              1280,
                              {kWrites, kService},
                              true},
                      FitCase{
                          "OneRankKeepsTheOrderItCameIn",
                          {{"b second", Rank::Controls}, {"a first", Rank::Controls}, {"z", Rank::Service}},
                          1280,
                          {"z", "b second", "a first"},
                          false},
                      FitCase{"NarrowerThanTheFirstPartShortensIt", FourStaleControls(), 200, {}, true}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
