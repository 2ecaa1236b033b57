// `k7 fleet` as a user runs it: a few copies of the shipped form against a server that counts
// what it receives, against the simulated plant through an outage, and the command lines it
// refuses.
#include "support/Checks.h"
#include "support/K7Process.h"
#include "support/TestHttpServer.h"

#include "json/JsonBag.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

using k7::test::ChildOf;

const QString kLineTerminal = QStringLiteral(K7_EXAMPLES_DIR "/line-terminal.ui");

// The path a service counts a request under: its target without the query and leading slashes.
QString PathOf(const std::string& target) {
    QString path = QString::fromStdString(target).section(QLatin1Char('?'), 0, 0);
    while (path.startsWith(QLatin1Char('/')))
        path.remove(0, 1);
    return path;
}

double Number(const std::shared_ptr<k7::JsonBag>& report, const QString& object, const QString& name) {
    return ChildOf(report->Item(object))->Item(name).ToDouble();
}

TEST(FleetCommand, ReportsTheRequestsAndConnectionsTheServiceSaw) {
    k7::test::TestHttpServer server;
    QTemporaryDir dir;
    const QString json = dir.filePath("fleet.json");
    const K7Run run =
        RunK7({"fleet", kLineTerminal, "--terminals", "3", "--api", server.BaseUrl(), "--company", "ORV",
               "--session", "DEMO", "--period", "1", "--seconds", "4", "--json", json});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    EXPECT_TRUE(run.Out.startsWith("k7 fleet: 3 copies of line-terminal.ui")) << run.Out.toStdString();

    std::map<QString, double> served;
    std::set<int> clientPorts;
    const std::string host = "127.0.0.1:" + std::to_string(server.Port());
    for (const k7::test::RecordedRequest& request : server.Requests()) {
        ++served[PathOf(request.target)];
        clientPorts.insert(request.remotePort);
        // Told the service's own name, not the relay's.
        const auto named = request.headers.find("Host");
        ASSERT_NE(named, request.headers.end()) << request.target;
        EXPECT_EQ(named->second, host) << request.target;
    }
    const auto report = k7::test::Parse(k7::test::ReadFile(json));
    const auto paths = ChildOf(report->Item("paths"));
    std::map<QString, double> reported;
    for (int32_t i = 1; i <= paths->Count(); ++i)
        reported[paths->Name(i).ToText()] = paths->Item(i).ToDouble();
    EXPECT_EQ(reported, served);
    // Every form's control asks the server: the cycle clock and the path picture among them.
    EXPECT_TRUE(served.count("processes/cycleTime") && served.count("drawing/path"));
    EXPECT_EQ(Number(report, "requests", "total"), static_cast<double>(server.Requests().size()));
    EXPECT_EQ(Number(report, "latencyMs", "answered"), static_cast<double>(server.Requests().size()));
    // Every connection that carried a request was one the relay opened to the server.
    EXPECT_GE(Number(report, "connections", "opened"), static_cast<double>(clientPorts.size()));
    EXPECT_GE(Number(report, "connections", "peak"), Number(report, "connections", "atEnd"));
    double bySecond = 0;
    const auto seconds = ChildOf(ChildOf(report->Item("requests"))->Item("bySecond"));
    EXPECT_EQ(seconds->Count(), 4);
    for (int32_t i = 1; i <= seconds->Count(); ++i)
        bySecond += seconds->Item(i).ToDouble();
    EXPECT_LE(bySecond, Number(report, "requests", "total")); // the part-second at the end is left out
    EXPECT_TRUE(report->Item("outage").IsNull());
}

// One terminal of the shipped form for 20 s, seen from the plant: its controls share their
// connections, so it holds at most two at any time and keeps reusing them (a terminal used to open
// one per control, hold seven or eight and open about four more every 20 s).
TEST(FleetCommand, OneTerminalHoldsAtMostTwoConnectionsToItsService) {
    const K7Run run =
        RunK7({"fleet", kLineTerminal, "--terminals", "1", "--plant", "--seconds", "20", "--json", "-"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const auto report = k7::test::Parse(run.Out);
    EXPECT_GT(Number(report, "requests", "total"), 20);
    EXPECT_LE(Number(report, "connections", "peak"), 2);
    EXPECT_LE(Number(report, "connections", "opened"), 2);
}

TEST(FleetCommand, AnOutageOfThePlantIsReportedWithTheFleetsRecovery) {
    // The plant stops answering from 2 s to 4 s: nothing reaches it in the second between, and every
    // copy's failed controls are opened again on their backoff (2 s, then 4 s) until they are good.
    const K7Run run = RunK7({"fleet", kLineTerminal, "--terminals", "3", "--plant", "--period", "1",
                             "--seconds", "12", "--outage", "2:4", "--json", "-"});
    ASSERT_EQ(run.ExitCode, 0) << run.Err.toStdString();
    const auto report = k7::test::Parse(run.Out);
    const auto outage = ChildOf(report->Item("outage"));
    ASSERT_TRUE(outage) << run.Out.toStdString();
    EXPECT_GE(outage->Item("from").ToDouble(), 2);
    EXPECT_GE(outage->Item("to").ToDouble(), 4);
    const auto seconds = ChildOf(ChildOf(report->Item("requests"))->Item("bySecond"));
    EXPECT_EQ(seconds->Item(4).ToDouble(), 0) << "second 3 of the run, inside the outage";
    EXPECT_GT(seconds->Item(6).ToDouble(), 0) << "second 5, after it";
    EXPECT_GT(outage->Item("peakAfter").ToDouble(), 0);
    EXPECT_FALSE(outage->Item("allFreshAfter").IsNull()) << run.Out.toStdString();
    EXPECT_LT(outage->Item("allFreshAfter").ToDouble(), 8);
    EXPECT_EQ(ChildOf(outage->Item("notFresh"))->Count(), 0);
    // The connections the outage cut were opened again.
    EXPECT_GT(Number(report, "connections", "opened"), Number(report, "connections", "peak"));
}

TEST(FleetCommand, RefusesABadCommandLineWithItsUsage) {
    struct Case {
        QStringList Args;
        QString Says;
    };
    for (const Case& c : {
             Case{{"fleet", "a.ui", "--plant"}, "--terminals N"},
             Case{{"fleet", "a.ui", "--terminals", "0", "--plant"}, "bad value '0' for --terminals"},
             Case{{"fleet", "a.ui", "--terminals", "2"}, "--api URL or --plant"},
             Case{{"fleet", "a.ui", "--terminals", "2", "--plant", "--api", "http://127.0.0.1:1/"},
                  "one of them"},
             Case{{"fleet", "a.ui", "--terminals", "2", "--api", "https://127.0.0.1:1/"}, "plain http://"},
             Case{{"fleet", "a.ui", "--terminals", "2", "--plant", "--outage", "5"}, "FROM:TO"},
             Case{{"fleet", "a.ui", "--terminals", "2", "--plant", "--outage", "5:3"}, "FROM before TO"},
             Case{{"fleet", "a.ui", "--terminals", "2", "--plant", "--seconds", "10", "--outage", "5:10"},
                  "end before the run does"},
         }) {
        const K7Run run = RunK7(c.Args);
        EXPECT_EQ(run.ExitCode, 2) << c.Args.join(' ').toStdString();
        EXPECT_TRUE(run.Err.contains(c.Says)) << run.Err.toStdString();
        EXPECT_TRUE(run.Err.contains("usage: k7 fleet")) << run.Err.toStdString();
    }
}

} // namespace
