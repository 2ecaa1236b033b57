#include "PlantTestClient.h"
#include "support/Checks.h"

#include "core/Clock_p.h"
#include "core/Common_p.h"

#include <gtest/gtest.h>

#include <map>
#include <thread>
#include <vector>

namespace k7::plant {
namespace {

using nlohmann::json;
using test::Answer;

const std::string Caller = "&session=S1&company=ACME";

// A plant opened at a fixed instant, and a kept-alive client of it.
class PlantHttp : public ::testing::Test {
protected:
    void SetUp() override {
        plant_ = std::make_unique<PlantService>();
        port_ = plant_->Start();
        client_ = std::make_unique<test::TestClient>(port_);
    }

    Answer Send(const std::string& method, const std::string& url) { return client_->Send(method, url); }
    size_t Bookings() { return test::Bookings(*plant_); }

    const k7::test::FrozenClock clock_{Common::ToDate("20240314103000")}; // outlives the plant
    std::unique_ptr<PlantService> plant_;
    int port_ = 0;
    std::unique_ptr<test::TestClient> client_;
};

// --- Ranges: what each control reads of an endpoint is checked by that control's test on the plant;
// here only how a range of dates is cut, which a control would not notice one row too many of.

TEST_F(PlantHttp, CutsRangesIntoDaysAndHours) {
    const auto data = [this](const std::string& query) {
        return Send("GET", "/processes/kpis/" + query + "&process=P100" + Caller).Json()["data"];
    };
    EXPECT_EQ(data("dashboard?datefrom=20240212103000&dateto=20240314103000").size(), 31u);
    const json hours = data("followup?datefrom=20240314060000&dateto=20240314140000&planned=0&hourly=1");
    ASSERT_EQ(hours.size(), 8u);
    EXPECT_EQ(hours[7]["PeriodEnd"]["value"], "20240314140000");
}

// --- Refusals: HTTP 200 with a failure envelope, or an HTTP failure whose reason says what is wrong

struct RefusalRow {
    const char* method;
    const char* target;
    int http;            // HTTP status
    int status;          // envelope status
    const char* message; // reason phrase (HTTP failure) or message (200)
};

class RefusalTest : public PlantHttp, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(RefusalTest, SaysWhatIsWrongAndChangesNothing) {
    const RefusalRow& row = GetParam();
    const Answer answer = Send(row.method, row.target);
    ASSERT_EQ(answer.Status, row.http) << answer.Body;
    EXPECT_EQ(row.http == 200 ? answer.Json()["message"].get<std::string>() : answer.Reason, row.message);
    EXPECT_EQ(answer.Json()["status"], row.status);
    EXPECT_EQ(Bookings(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusalTest,
    ::testing::Values(
        // Values arrive percent-encoded where the client had to ("+" is no blank here).
        RefusalRow{"GET", "/processes/prod?process=A+B%20C&session=S&company=C", 200, 1,
                   "Unknown process 'A+B C'"},
        RefusalRow{"POST", "/results?process=P100&result=4&session=S&company=C&quantityA=1", 200, 2,
                   "Process P100 has no scrap cause 4"},
        RefusalRow{"GET", "/processes/prod?process=P100&company=C", 400, 400,
                   "Missing query parameter 'session'"},
        RefusalRow{"GET", "/processes/prod?process=P100&session=S&session=T&company=C", 400, 400,
                   "Query parameter 'session' is given twice"},
        // No 29 February in 2023: a date the calendar lacks is no timestamp.
        RefusalRow{"GET", "/processes/kpis/dashboard?process=P100&datefrom=20230229", 400, 400,
                   "Query parameter 'datefrom' must be a timestamp YYYYMMDDhhmmss, not '20230229'"},
        RefusalRow{
            "GET",
            "/processes/kpis/followup?process=P100&datefrom=20240301&dateto=20240302&session=S&company=C"
            "&planned=0&hourly=1.5",
            400, 400, "Query parameter 'hourly' must be a whole number, not '1.5'"},
        RefusalRow{"GET", "/processes/kpis", 404, 404, "Not Found"},
        RefusalRow{"DELETE", "/processes/prod?process=P100&session=S&company=C", 405, 405,
                   "Method Not Allowed"}));

// --- Faults injected per path. A status or a raw body in place of the plant's reply, a dropped
// connection and a delay show in the write-outcome, rest-command and write-journal tests.

struct FaultRow {
    const char* name;
    const char* path;
    Fault fault;
    std::string call; // "METHOD target"
    int status;       // 0: no reply at all
    const char* reason;
    size_t bookings;
};

class FaultTest : public PlantHttp, public ::testing::WithParamInterface<FaultRow> {};

TEST_P(FaultTest, ShapesTheReply) {
    const FaultRow& row = GetParam();
    // Every path without a fault of its own drops its connection.
    plant_->InjectFault("*", Fault{.DropConnection = true});
    plant_->InjectFault(row.path, row.fault);
    const size_t space = row.call.find(' ');
    const Answer answer = Send(row.call.substr(0, space), row.call.substr(space + 1));
    ASSERT_EQ(answer.Received, row.status != 0);
    EXPECT_EQ(answer.Status, row.status);
    EXPECT_EQ(answer.Reason, row.reason);
    if (answer.Received) {
        EXPECT_EQ(answer.Json()["status"], 0) << "the plant's own reply";
    }
    EXPECT_EQ(Bookings(), row.bookings);
    EXPECT_EQ(plant_->TotalRequests(), 1); // faulted or not, every request counts
}

const std::string Booking = "POST /results?process=P100&result=7" + Caller + "&quantityA=5";
const std::string Prod = "GET //processes/prod?process=P100" + Caller;

INSTANTIATE_TEST_SUITE_P(
    Rows, FaultTest,
    ::testing::Values(FaultRow{"ReasonKeepsThePlantsReply", "results", Fault{0, "Booked, thanks"}, Booking,
                               200, "Booked, thanks", 1},
                      FaultRow{"OtherPathsFallToTheStar", "statuses/top", Fault{}, Booking, 0, "", 0},
                      // Decided after the wait: the plant books, then the reason of its own goes out.
                      FaultRow{"DelayThenReason", "results", Fault{0, "Late", 50}, Booking, 200, "Late", 1},
                      FaultRow{"LostReplyIsBookedButNeverHeard", "results", Fault{.LoseReply = true}, Booking,
                               0, "", 1},
                      FaultRow{"NoFaultOnThePath", "processes/prod", Fault{}, Prod, 200, "OK", 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Idempotency keys: a write sent again with its key is answered alike and booked once. That the
// retry of a faulted or unheard write is carried out once, the write journal's command test shows.

struct IdempotencyRow {
    const char* name;
    std::vector<std::string> keys; // one booking each, a minute apart; "": no Idempotency-Key header
    // What /simulator/writes lists: "KEY STATUS REPLAYS TIME" per write carried out.
    std::vector<std::string> listing;
};

class IdempotencyTest : public PlantHttp, public ::testing::WithParamInterface<IdempotencyRow> {};

TEST_P(IdempotencyTest, CarriesEachKeyOutOnceAndAnswersItsRetriesAlike) {
    const std::string booking = "results?process=P100&result=7" + Caller + "&quantityA=5";
    std::map<std::string, std::string> firstAnswers;
    int minute = 0;
    for (const std::string& key : GetParam().keys) {
        // A recomputed answer would carry the later minute in its "booked" stamp.
        Clock::Set(Dates::AddSeconds(Common::ToDate("20240314103000"), 60.0 * ++minute));
        httplib::Headers headers;
        if (!key.empty())
            headers.emplace("Idempotency-Key", key);
        const Answer answer = client_->Send("POST", "/" + booking, headers);
        ASSERT_EQ(answer.Status, 200);
        if (!key.empty() && !firstAnswers.emplace(key, answer.Body).second) {
            EXPECT_EQ(answer.Body, firstAnswers[key]);
        }
    }
    const json reply = Send("GET", "//simulator/writes").Json();
    EXPECT_EQ(reply["message"], "Success");
    std::vector<std::string> listing;
    for (const json& write : reply["data"]) {
        EXPECT_EQ(write["verb"], "POST");
        EXPECT_EQ(write["path"], "results");
        EXPECT_EQ(write["query"], booking.substr(booking.find('?') + 1));
        listing.push_back(write["key"].get<std::string>() + " " + write["status"].dump() + " " +
                          write["replays"].dump() + " " + write["time"].get<std::string>());
    }
    EXPECT_EQ(listing, GetParam().listing);
    EXPECT_EQ(plant_->Writes().size(), listing.size());
    EXPECT_EQ(Bookings(), listing.size());
}

INSTANTIATE_TEST_SUITE_P(
    Rows, IdempotencyTest,
    ::testing::Values(
        IdempotencyRow{
            "WithoutKeyEveryWriteCounts", {"", ""}, {" 200 0 20240314103100", " 200 0 20240314103200"}},
        IdempotencyRow{"SameKeyGetsTheFirstAnswer", {"a", "a", "a"}, {"a 200 2 20240314103100"}},
        IdempotencyRow{
            "NewKeyIsANewWrite", {"a", "b"}, {"a 200 0 20240314103100", "b 200 0 20240314103200"}}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Transport

TEST_F(PlantHttp, KeepsConnectionsAliveAndRecoversAfterClosingOnes) {
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(Send("GET", "/processes/prod?process=P100" + Caller).Status, 200);
        // A custom reason phrase closes the connection; the next request opens another.
        if (i % 10 == 5) {
            ASSERT_EQ(Send("GET", "/processes/prod?process=P100").Status, 400);
        }
    }
    EXPECT_EQ(plant_->RequestCount("processes/prod"), 33);
}

TEST_F(PlantHttp, ParallelClientsShareOneConsistentModel) {
    std::vector<std::thread> clients;
    for (int c = 0; c < 4; ++c)
        clients.emplace_back([this] {
            test::TestClient client(port_);
            for (int i = 0; i < 25; ++i)
                client.Send("POST", "/results?process=P200&result=8" + Caller + "&quantityA=2");
        });
    for (std::thread& client : clients)
        client.join();
    EXPECT_EQ(Bookings(), 100u);
    EXPECT_EQ(plant_->RequestCount("results"), 100);
}

} // namespace
} // namespace k7::plant
