#include "plant/PlantService.h"
#include "support/K7Process.h"

#include <gtest/gtest.h>

namespace {

class RestCommand : public ::testing::Test {
protected:
    void SetUp() override { plant.Start(0); }
    k7::plant::PlantService plant;
};

TEST_F(RestCommand, PrintsTheReplyBodyWithOneNewline) {
    const K7Run run =
        RunK7({"rest", "GET", plant.BaseUrl(), "processes/prod", "process=P100&session=S1&company=C1"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.contains(QStringLiteral("\"Id_prod\":\"T-4711\""))) << run.Out.toStdString();
    EXPECT_TRUE(run.Out.endsWith(QStringLiteral("}\n"))) << run.Out.toStdString();
    EXPECT_EQ(plant.RequestCount(QStringLiteral("processes/prod")), 1);
}

// The envelope itself, of a reason phrase or of no reply, is the REST client's (its own tests);
// here the tool's part: the --server client and a verb in lower case.
TEST_F(RestCommand, PrintsTheTransportFailureOfAStoppedServiceAsAnEnvelope) {
    const QString base = plant.BaseUrl();
    plant.Stop(); // nobody listens on its port now
    const K7Run run = RunK7({"rest", "--server", "post", base, "/results", "process=P100"});
    ASSERT_EQ(run.ExitCode, 0);
    EXPECT_TRUE(
        run.Out.startsWith(QStringLiteral("{\"status\":\"9999\",\"data\":\"\",\"message\":\"-2147012867-")))
        << run.Out.toStdString();
}

TEST(RestCommandUsage, RefusesAnUnknownMethod) {
    const K7Run run = RunK7({"rest", "FETCH", "http://127.0.0.1:1/", "x"});
    EXPECT_EQ(run.ExitCode, 2);
    EXPECT_TRUE(run.Out.isEmpty());
    EXPECT_FALSE(run.Err.isEmpty());
}

} // namespace
