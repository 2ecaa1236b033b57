#include "PlantTestClient.h"
#include "plant/OpenFileLimit.h"
#include "support/Checks.h"

#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

namespace k7::plant {
namespace {

const std::string Booking = "/results?process=P100&result=7&session=S1&company=ACME&quantityA=5";
const std::string Prod = "/processes/prod?process=P100&session=S1&company=ACME";

// A plant with lowered limits, so that a handful of clients reach them.
class HostileClient : public ::testing::Test {
protected:
    void Serve(const ServerLimits& limits) {
        plant_.SetLimits(limits);
        port_ = plant_.Start();
    }
    size_t Bookings() { return test::Bookings(plant_); }

    PlantService plant_;
    int port_ = 0;
};

TEST_F(HostileClient, BodilessRequestsAreAnsweredAtOnce) {
    Serve({});
    // Half-closed after the request, or a PATCH with neither Content-Length nor a body: answered
    // without waiting for a body or a read time-out.
    const std::pair<std::string, bool> requests[] = {
        {"GET " + Prod, true},
        {"POST " + Booking, true},
        {"PATCH /statuses/1001?id_tu=5&session=S1&company=ACME", false}};
    for (const auto& [request, halfClose] : requests) {
        const std::string closing = halfClose ? "" : "Connection: close\r\n";
        const int fd = test::OpenConnection(port_, request + " HTTP/1.1\r\nHost: x\r\n" + closing + "\r\n");
        ASSERT_GE(fd, 0);
        if (halfClose)
            shutdown(fd, SHUT_WR);
        EXPECT_EQ(test::StatusLineOf(fd), "HTTP/1.1 200 OK") << request;
    }
    EXPECT_EQ(Bookings(), 1u);
}

TEST_F(HostileClient, SlowSendersDoNotLockOutARequest) {
    // No time-out frees anything during the test: a connection that says nothing or trickles its
    // request in holds no thread, so a hundred of them leave two threads free for a request.
    Serve({.Threads = 2, .IdleTimeout = std::chrono::minutes(1)});
    std::vector<int> slow;
    for (int i = 0; i < 100; ++i)
        slow.push_back(test::OpenConnection(port_, i % 2 ? "GET /processes/pr" : ""));
    test::TestClient client(port_);
    EXPECT_EQ(client.Send("GET", Prod).Status, 200);
    for (const int fd : slow)
        close(fd);
    EXPECT_EQ(std::count(slow.begin(), slow.end(), -1), 0);
}

TEST_F(HostileClient, ASilentConnectionEndsAfterItsIdleTimeout) {
    Serve({.IdleTimeout = std::chrono::seconds(1)});
    // Silent from the start, or silent in the middle of its request: either way it ends, long before
    // the client's own five seconds of patience.
    for (const std::string bytes : {"", "GET /processes/prod?process=P100"}) {
        const int fd = test::OpenConnection(port_, bytes);
        ASSERT_GE(fd, 0);
        char byte = 0;
        EXPECT_EQ(recv(fd, &byte, 1, 0), 0) << "'" << bytes << "'";
        close(fd);
    }
}

TEST_F(HostileClient, NewcomersPastTheConnectionLimitWaitAndAreAnswered) {
    // Two silent connections fill the server; the third waits in the listen queue, not closed, until
    // a silent one times out.
    Serve({.MostConnections = 2, .Threads = 1, .IdleTimeout = std::chrono::seconds(1)});
    const int silent[] = {test::OpenConnection(port_, ""), test::OpenConnection(port_, "")};
    const int newcomer =
        test::OpenConnection(port_, "GET " + Prod + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    ASSERT_GE(newcomer, 0);
    EXPECT_EQ(test::StatusLineOf(newcomer), "HTTP/1.1 200 OK");
    for (const int fd : silent)
        close(fd);
}

TEST_F(HostileClient, ADelayedPathHoldsUpNeitherOtherPathsNorAStop) {
    Serve({.Threads = 2});
    plant_.InjectFault("processes/prod", Fault{.DelayMs = 30000});
    std::vector<int> delayed;
    for (int i = 0; i < 4; ++i)
        delayed.push_back(test::OpenConnection(port_, "GET " + Prod + " HTTP/1.1\r\nHost: x\r\n\r\n"));
    ASSERT_TRUE(k7::test::WaitUntil([this] { return plant_.RequestCount("processes/prod") == 4; }));
    test::TestClient client(port_);
    EXPECT_EQ(client.Send("GET", "/statuses/top?process=P100&session=S1&company=ACME").Status, 200);
    // Stopping ends the waiting connections unanswered, at once rather than after 30 s: the
    // client's five seconds of patience would otherwise run out with an empty reply too, so the
    // closing itself is checked.
    plant_.Stop();
    for (const int fd : delayed) {
        char byte = 0;
        EXPECT_EQ(recv(fd, &byte, 1, 0), 0);
        close(fd);
    }
}

// A port another plant holds is refused, and so is a second start; once stopped, the plant starts
// again on its port at once.
TEST_F(HostileClient, StartsAgainOnItsPortRightAfterAStopAndOnNoTakenOne) {
    Serve({});
    PlantService other;
    EXPECT_THROW(other.Start(port_), std::runtime_error);
    EXPECT_THROW(plant_.Start(), std::logic_error);
    test::TestClient client(port_);
    ASSERT_EQ(client.Send("GET", Prod).Status, 200);
    // The server closes the kept-alive connection first, leaving its side in TIME_WAIT.
    plant_.Stop();
    EXPECT_EQ(plant_.Port(), 0);
    EXPECT_EQ(plant_.Start(port_), port_);
    EXPECT_EQ(client.Send("GET", Prod).Status, 200);
}

TEST(OpenFileLimit, IsRaisedToTheHardLimitAndHalvedForConnections) {
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &before), 0);
    rlimit lowered = before;
    lowered.rlim_cur = std::min<rlim_t>(before.rlim_max, 256);
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &lowered), 0);
    const size_t connections = RaiseOpenFileLimitForConnections();
    rlimit after{};
    getrlimit(RLIMIT_NOFILE, &after);
    setrlimit(RLIMIT_NOFILE, &before);
    EXPECT_EQ(after.rlim_cur, before.rlim_max);
    if (before.rlim_max != RLIM_INFINITY) {
        EXPECT_EQ(connections, before.rlim_max / 2);
    }
}

struct BodyRow {
    const char* name;
    std::string head; // after the request line
    std::string body; // what is actually sent of it
    const char* status;
    size_t bookings;
};

class LargeBodyTest : public HostileClient, public ::testing::WithParamInterface<BodyRow> {};

TEST_P(LargeBodyTest, IsRefusedWithoutBeingRead) {
    Serve({.MostBodyBytes = 1000});
    const BodyRow& row = GetParam();
    const int fd =
        test::OpenConnection(port_, "POST " + Booking + " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n" +
                                        row.head + "\r\n" + row.body);
    ASSERT_GE(fd, 0);
    EXPECT_EQ(test::StatusLineOf(fd), row.status);
    EXPECT_EQ(Bookings(), row.bookings);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, LargeBodyTest,
    ::testing::Values(
        // 300 MB declared, a little sent: answered at once, not after waiting for the rest.
        BodyRow{"DeclaredLength", "Content-Length: 300000000\r\n", std::string(5000, 'x'),
                "HTTP/1.1 413 Content Too Large", 0},
        BodyRow{"Chunked", "Transfer-Encoding: chunked\r\n",
                "320\r\n" + std::string(800, 'x') + "\r\n320\r\n" + std::string(800, 'x') + "\r\n0\r\n\r\n",
                "HTTP/1.1 413 Content Too Large", 0},
        BodyRow{"WithinTheLimit", "Content-Length: 1000\r\n", std::string(1000, 'x'), "HTTP/1.1 200 OK", 1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace k7::plant
