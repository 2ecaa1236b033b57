// How the requests of one terminal share their connections: any thread's requests reuse the same
// connection, a hanging reply delays no other exchange, and a group keeps at most two connections.
// That a terminal's first screen, its reads sent together, opens no more than two is the fleet
// command's test of one terminal.
#include "ServiceTestSupport.h"
#include "support/TestHttpServer.h"

#include "service/ConnectionGroup_p.h"
#include "service/RequestCancel_p.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <thread>

namespace k7::test {
namespace {

// A synchronous GET of `path` through `group`; its HTTP status.
int32_t Get(TestHttpServer& server, const std::shared_ptr<ConnectionGroup>& group, const char* path) {
    HttpRequest request(Kind::Server, group);
    request.Open(kGet, server.BaseUrl() + QString::fromUtf8(path), false);
    request.Send();
    return request.Status();
}

std::set<int> PortsSeen(const TestHttpServer& server) {
    std::set<int> ports;
    for (const RecordedRequest& request : server.Requests())
        ports.insert(request.remotePort);
    return ports;
}

// Fresh request objects on different threads, one after the other, all go over one connection.
TEST(ConnectionGroup, RequestsOfEveryThreadReuseOneConnection) {
    TestHttpServer server;
    const auto group = ConnectionGroup::Create();
    for (int round = 0; round < 3; ++round) {
        EXPECT_EQ(Get(server, group, "here"), 200);
        std::thread([&] { EXPECT_EQ(Get(server, group, "worker"), 200); }).join();
    }
    EXPECT_EQ(PortsSeen(server).size(), 1u);
    EXPECT_EQ(group->ConnectionsOpened(), 1);
    EXPECT_EQ(group->ConnectionsOpen(), 1);

    // Another group (another terminal of a fleet) has connections of its own.
    const auto other = ConnectionGroup::Create();
    EXPECT_EQ(Get(server, other, "other"), 200);
    EXPECT_EQ(other->ConnectionsOpened(), 1);
    EXPECT_EQ(PortsSeen(server).size(), 2u);
}

// Two replies hang: a third exchange does not wait for their end but opens a connection of its own,
// which is not kept; once they are answered the group holds two connections and reuses them.
TEST(ConnectionGroup, AHangingReplyDelaysNoOtherExchangeAndOnlyTwoConnectionsStay) {
    TestHttpServer server;
    server.Script("hanging", {.body = "late", .gated = true});
    const auto group = ConnectionGroup::Create();
    HttpRequest first(Kind::Server, group), second(Kind::Server, group);
    for (HttpRequest* hanging : {&first, &second}) {
        hanging->Open(kGet, server.BaseUrl() + "hanging", true);
        hanging->Send();
    }
    ASSERT_TRUE(WaitUntil([&] { return server.GatedReplies().Arrived() == 2; }));

    EXPECT_EQ(Get(server, group, "meanwhile"), 200);
    EXPECT_EQ(first.readyState(), 2);
    EXPECT_EQ(second.readyState(), 2);
    EXPECT_EQ(group->ConnectionsOpened(), 3);
    EXPECT_EQ(group->ConnectionsOpen(), 2);

    server.GatedReplies().Open();
    ASSERT_TRUE(WaitUntil([&] { return first.readyState() == 4 && second.readyState() == 4; }));
    EXPECT_EQ(first.ResponseText(), "late");
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(Get(server, group, "after"), 200);
    EXPECT_EQ(group->ConnectionsOpened(), 3);
    EXPECT_EQ(group->ConnectionsOpen(), 2);
}

// A cancel from another thread ends the exchange waiting in the group within its wait, closes its
// connection, and leaves the group serving the next request.
TEST(ConnectionGroup, ACancelledExchangeLeavesTheGroupAndClosesItsConnection) {
    TestHttpServer server;
    server.Script("hanging", {.body = "late", .gated = true});
    const auto group = ConnectionGroup::Create();
    RequestCancel cancel;
    std::string failure;
    std::thread waiting([&] {
        RequestCancel::Watch watch(cancel);
        failure = FailureOf([&] { Get(server, group, "hanging"); }).toStdString();
    });
    ASSERT_TRUE(WaitUntil([&] { return server.GatedReplies().Arrived() == 1; }));
    cancel.Cancel();
    waiting.join();
    EXPECT_NE(failure.find("The operation has been canceled"), std::string::npos) << failure;
    EXPECT_EQ(server.GatedReplies().Departed(), 0); // it did not wait for the reply
    EXPECT_TRUE(WaitUntil([&] { return group->ConnectionsOpen() == 0; }));
    EXPECT_EQ(Get(server, group, "next"), 200);
    server.GatedReplies().Open();
}

} // namespace
} // namespace k7::test
