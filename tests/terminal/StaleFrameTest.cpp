// The stale mark's badge: outside the control where its parent has room, so it hides no figure.
#include "StaleFrame.h"

#include <gtest/gtest.h>

#include <QWidget>

namespace {

using k7::cli::StaleFrame;

struct BadgeCase {
    const char* Name;
    QRect Control;   // in a 400 x 300 parent
    QRect Neighbour; // another widget of the parent (empty: none)
    bool Outside;    // the badge sits above the control rather than inside its corner
};

class StaleBadge : public ::testing::TestWithParam<BadgeCase> {};

TEST_P(StaleBadge, SitsOutsideTheControlWhereTheParentHasRoom) {
    const BadgeCase& c = GetParam();
    QWidget parent;
    parent.resize(400, 300);
    QWidget control(&parent);
    control.setGeometry(c.Control);
    QWidget neighbour(&parent);
    neighbour.setGeometry(c.Neighbour);
    neighbour.setVisible(!c.Neighbour.isEmpty());
    StaleFrame frame(control);
    frame.SetText(QStringLiteral("stale 2 min"));

    ASSERT_TRUE(frame.isVisibleTo(&parent));
    const QRect framed =
        c.Control.adjusted(-StaleFrame::kReach, -StaleFrame::kReach, StaleFrame::kReach, StaleFrame::kReach);
    // Below and beside the control the mark never reaches past its frame.
    EXPECT_EQ(frame.geometry().bottom(), framed.bottom());
    EXPECT_EQ(frame.geometry().left(), framed.left());
    EXPECT_EQ(frame.geometry().right(), framed.right());
    EXPECT_EQ(frame.geometry().top() < framed.top(), c.Outside) << frame.geometry().top();
}

INSTANTIATE_TEST_SUITE_P(
    Rows, StaleBadge,
    ::testing::Values(BadgeCase{"RoomAbove", QRect(20, 60, 200, 100), QRect(), true},
                      BadgeCase{"AtTheParentsTop", QRect(20, 4, 200, 100), QRect(), false},
                      BadgeCase{"NeighbourJustAbove", QRect(20, 60, 200, 100), QRect(20, 30, 200, 24), false},
                      BadgeCase{"NeighbourAboveTheOtherEnd", QRect(20, 60, 200, 100), QRect(20, 30, 60, 24),
                                true}),
    [](const auto& info) { return std::string(info.param.Name); });

} // namespace
