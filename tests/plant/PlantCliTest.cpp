#include "PlantTestClient.h"
#include "support/K7Process.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace k7::plant {
namespace {

// The command wires the parsed options into a running plant, serves until SIGTERM and reports.
TEST(PlantCli, ServesWithInjectedFaultsUntilTerminated) {
    QProcess plant;
    StartK7(plant, {"plant", "--fault", "processes/prod:503:Maintenance window"});
    ASSERT_TRUE(plant.waitForStarted(10000));
    ASSERT_TRUE(plant.waitForReadyRead(10000)) << plant.readAllStandardError().toStdString();
    const QString line = QString::fromUtf8(plant.readLine()).trimmed();
    const auto match =
        QRegularExpression("^k7 plant listening on http://127\\.0\\.0\\.1:(\\d+)/$").match(line);
    ASSERT_TRUE(match.hasMatch()) << line.toStdString();

    test::TestClient client(match.captured(1).toInt());
    const test::Answer prod = client.Send("GET", "/processes/prod?process=P100&session=S&company=C");
    EXPECT_EQ(prod.Status, 503);
    EXPECT_EQ(prod.Reason, "Maintenance window");
    EXPECT_EQ(client.Send("GET", "/processes/cycleTime?process=P100&session=S&company=C").Json()["status"],
              0);

    plant.terminate();
    ASSERT_TRUE(plant.waitForFinished(10000));
    EXPECT_EQ(plant.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(plant.exitCode(), 0);
    EXPECT_TRUE(plant.readAllStandardError().contains("stopped after 2 requests"));
}

} // namespace
} // namespace k7::plant
