#include "PlantTestClient.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

namespace k7::plant {
namespace {

const std::string Booking = "/results?process=P100&result=7&session=S1&company=ACME&quantityA=5";

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
        {"GET /processes/prod?process=P100&session=S1&company=ACME", true},
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

TEST_F(HostileClient, MoreSlowSendersThanThreadsDoNotLockOutARequest) {
    // No time-out frees a thread during the test: only shedding idle connections makes room.
    Serve({.MostConnections = 4,
           .IdleTimeout = std::chrono::minutes(1),
           .RequestTimeout = std::chrono::minutes(1)});
    std::vector<int> slow;
    for (int i = 0; i < 12; ++i)
        slow.push_back(test::OpenConnection(port_, i % 2 ? "GET /processes/pr" : ""));
    test::TestClient client(port_);
    EXPECT_EQ(client.Send("GET", "/processes/prod?process=P100&session=S1&company=ACME").Status, 200);
    for (const int fd : slow)
        close(fd);
    EXPECT_EQ(std::count(slow.begin(), slow.end(), -1), 0);
}

TEST_F(HostileClient, ARequestTricklingInIsCutOffAtItsDeadline) {
    Serve({.RequestTimeout = std::chrono::milliseconds(100)});
    const int fd = test::OpenConnection(port_, "GET /processes/prod?process=P100");
    ASSERT_GE(fd, 0);
    // A byte every 10 ms never leaves the server waiting long for the next one; only a deadline for
    // the request as a whole ends it. Bounded at 5 s in case it never does.
    bool cutOff = false;
    for (int i = 0; i < 500 && !cutOff; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        char byte = 0;
        cutOff = send(fd, "x", 1, MSG_NOSIGNAL) != 1 || recv(fd, &byte, 1, MSG_DONTWAIT) == 0;
    }
    close(fd);
    EXPECT_TRUE(cutOff);
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
                "HTTP/1.1 413 Payload Too Large", 0},
        BodyRow{"Chunked", "Transfer-Encoding: chunked\r\n",
                "320\r\n" + std::string(800, 'x') + "\r\n320\r\n" + std::string(800, 'x') + "\r\n0\r\n\r\n",
                "HTTP/1.1 413 Payload Too Large", 0},
        BodyRow{"WithinTheLimit", "Content-Length: 1000\r\n", std::string(1000, 'x'), "HTTP/1.1 200 OK", 1}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace k7::plant
