#include "PlantTestClient.h"

#include "core/Clock.h"
#include "core/Common.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <chrono>
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
        Clock::Set(Common::ToDate("20240314103000"));
        plant_ = std::make_unique<PlantService>();
        port_ = plant_->Start();
        client_ = std::make_unique<test::TestClient>(port_);
    }
    void TearDown() override {
        client_.reset();
        plant_.reset();
        Clock::UseSystemTime();
    }

    Answer Send(const std::string& method, const std::string& url) { return client_->Send(method, url); }
    size_t Bookings() { return test::Bookings(*plant_); }

    std::unique_ptr<PlantService> plant_;
    int port_ = 0;
    std::unique_ptr<test::TestClient> client_;
};

// --- What the controls read from each endpoint, with one and with two leading slashes

struct EndpointRow {
    const char* target; // GET, without the leading slash
    // In `data`: "/0/Id" must exist, "/1/id_tu=FAI" must hold that text, "!/31" must not exist.
    std::vector<std::string> members;
};

class EndpointTest : public PlantHttp,
                     public ::testing::WithParamInterface<std::tuple<EndpointRow, const char*>> {};

TEST_P(EndpointTest, AnswersWithTheEnvelopeTheControlsRead) {
    const auto& [row, slashes] = GetParam();
    const Answer answer = Send("GET", slashes + std::string(row.target));
    EXPECT_EQ(answer.Status, 200);
    const json reply = answer.Json(), data = reply["data"];
    EXPECT_EQ(reply["status"], 0) << answer.Body;
    EXPECT_EQ(reply["message"], "Success") << answer.Body;
    ASSERT_TRUE(data.is_array());
    for (const std::string& member : row.members) {
        const size_t equals = member.find('=');
        const json::json_pointer pointer(member.substr(member[0] == '!', equals - (member[0] == '!')));
        ASSERT_EQ(data.contains(pointer), member[0] != '!') << member;
        if (equals != std::string::npos) {
            EXPECT_EQ(data[pointer].get<std::string>(), member.substr(equals + 1));
        }
    }
    EXPECT_EQ(plant_->RequestCount(QString::fromUtf8(row.target).section('?', 0, 0)), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Endpoints, EndpointTest,
    ::testing::Combine(
        ::testing::Values(
            EndpointRow{"processes/prod?process=P100&session=S1&company=ACME", {"/0/Id_prod"}},
            EndpointRow{"processes/P100/scrapcauses/top?session=S1&company=ACME", {"/0/Scrap", "/3/Scrap"}},
            EndpointRow{"statuses/fai?process=P100&session=S1&company=ACME",
                        {"/1/id_tu=FAI", "/1/machdate", "/1/end", "/1/secs", "/1/id"}},
            EndpointRow{"statuses/top?process=P200&session=S1&company=ACME", {"/0/Id"}},
            EndpointRow{"processes/kpis/dashboard?process=P100&datefrom=20240212103000&dateto=20240314103000"
                        "&session=S1&company=ACME",
                        {"/30/OEE", "/30/OEETargetGreen", "/30/OEETargetYellow", "!/31"}},
            EndpointRow{"processes/cycleTime?process=P100&session=S1&company=ACME",
                        {"/0/CycleT", "/0/Val", "/0/DateTime"}},
            EndpointRow{"processes/kpis/followup?process=P100&datefrom=20240314060000&dateto=20240314140000"
                        "&session=S1&company=ACME&planned=0&hourly=1",
                        {"/7/PeriodEnd/value=20240314140000", "/0/GoodQuantity/value", "!/8"}}),
        ::testing::Values("/", "//")));

// --- Refusals: HTTP 200 with a failure envelope, or an HTTP failure whose reason says what is wrong

struct RefusalRow {
    const char* method;
    const char* target;
    int http;            // HTTP status
    int status;          // envelope status when http is 200
    const char* message; // reason phrase (HTTP failure) or message (200)
};

class RefusalTest : public PlantHttp, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(RefusalTest, SaysWhatIsWrongAndChangesNothing) {
    const RefusalRow& row = GetParam();
    const Answer answer = Send(row.method, row.target);
    ASSERT_EQ(answer.Status, row.http) << answer.Body;
    EXPECT_EQ(row.http == 200 ? answer.Json()["message"].get<std::string>() : answer.Reason, row.message);
    EXPECT_NE(answer.Json()["status"], row.http == 200 ? 0 : row.status);
    EXPECT_EQ(Bookings(), 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusalTest,
    ::testing::Values(
        RefusalRow{"GET", "/processes/prod?process=P999&session=S&company=C", 200, 1,
                   "Unknown process 'P999'"},
        // Values arrive percent-encoded where the client had to ("+" is no blank here).
        RefusalRow{"GET", "/processes/prod?process=A+B%20C&session=S&company=C", 200, 1,
                   "Unknown process 'A+B C'"},
        RefusalRow{"POST", "/results?process=P100&result=4&session=S&company=C&quantityA=1", 200, 2,
                   "Process P100 has no scrap cause 4"},
        RefusalRow{"PATCH", "/statuses/4711?id_tu=5&session=S&company=C", 200, 2,
                   "No FAI '4711' waits for a justification"},
        RefusalRow{"GET", "/processes/prod?process=P100&company=C", 400, 0,
                   "Missing query parameter 'session'"},
        RefusalRow{"GET", "/processes/prod?process=P100&session=S&session=T&company=C", 400, 0,
                   "Query parameter 'session' is given twice"},
        RefusalRow{
            "GET",
            "/processes/kpis/dashboard?process=P100&datefrom=20230229&dateto=20240302&session=S&company=C",
            400, 0, "Query parameter 'datefrom' must be a timestamp YYYYMMDDhhmmss, not '20230229'"},
        RefusalRow{
            "GET",
            "/processes/kpis/followup?process=P100&datefrom=20240301&dateto=20240302&session=S&company=C"
            "&planned=0&hourly=1.5",
            400, 0, "Query parameter 'hourly' must be a whole number, not '1.5'"},
        RefusalRow{"GET", "/processes/kpis", 404, 0, "Not Found"},
        RefusalRow{"DELETE", "/processes/prod?process=P100&session=S&company=C", 405, 0,
                   "Method Not Allowed"}));

// --- Faults injected per path

struct FaultRow {
    const char* name;
    const char* path;
    Fault fault;
    std::string call; // "METHOD target"
    int status;       // 0: no reply at all
    const char* reason;
    const char* body; // nullptr: the plant's own reply
    size_t bookings;
};

class FaultTest : public PlantHttp, public ::testing::WithParamInterface<FaultRow> {};

TEST_P(FaultTest, ShapesTheReply) {
    const FaultRow& row = GetParam();
    // Every other path drops its connection: the row's path must have its own fault.
    plant_->InjectFault("*", Fault{0, "", 0, std::nullopt, true});
    plant_->InjectFault(row.path, row.fault);
    const auto start = std::chrono::steady_clock::now();
    const size_t space = row.call.find(' ');
    const Answer answer = Send(row.call.substr(0, space), row.call.substr(space + 1));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(row.fault.DelayMs));
    ASSERT_EQ(answer.Received, row.status != 0);
    EXPECT_EQ(answer.Status, row.status);
    EXPECT_EQ(answer.Reason, row.reason);
    if (row.body) {
        EXPECT_EQ(answer.Body, row.body);
    } else if (row.status != 0) {
        EXPECT_EQ(answer.Json()["status"], row.status == 200 ? 0 : row.status);
    }
    EXPECT_EQ(Bookings(), row.bookings);
    EXPECT_EQ(plant_->TotalRequests(), 1); // faulted or not, every request counts
}

const std::string Booking = "POST /results?process=P100&result=7" + Caller + "&quantityA=5";
const std::string Prod = "GET //processes/prod?process=P100" + Caller;

INSTANTIATE_TEST_SUITE_P(
    Rows, FaultTest,
    ::testing::Values(
        FaultRow{"StatusAnswersInsteadOfThePlant", "/results", Fault{503, "Down for \"maintenance\""},
                 Booking, 503, "Down for \"maintenance\"", nullptr, 0},
        FaultRow{"StandardReason", "processes/prod", Fault{500}, Prod, 500, "Internal Server Error", nullptr,
                 0},
        FaultRow{"ReasonKeepsThePlantsReply", "results", Fault{0, "Booked, thanks"}, Booking, 200,
                 "Booked, thanks", nullptr, 1},
        FaultRow{"RawBodyAsItStands", "processes/prod", Fault{0, "", 0, "{\"a\":\r\n\"b \"c\"\"}"}, Prod, 200,
                 "OK", "{\"a\":\r\n\"b \"c\"\"}", 0},
        FaultRow{"DelayHoldsTheReplyBack", "results", Fault{0, "", 150}, Booking, 200, "OK", nullptr, 1},
        FaultRow{"DropGivesNoReply", "results", Fault{0, "", 0, std::nullopt, true}, Booking, 0, "", nullptr,
                 0},
        FaultRow{"LostReplyIsBookedButNeverHeard", "results", Fault{.LoseReply = true}, Booking, 0, "",
                 nullptr, 1},
        FaultRow{"NoFaultOnThePath", "processes/prod", Fault{}, Prod, 200, "OK", nullptr, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// --- Idempotency keys: a write sent again with its key is answered alike and booked once

struct WriteStep {
    const char* key;   // "": no Idempotency-Key header
    const char* fault; // "": none; "503": a fault answers instead of the plant; "lose": the reply is lost
};

struct IdempotencyRow {
    const char* name;
    std::vector<WriteStep> steps; // one booking each, a minute apart
    // What /simulator/writes lists: "KEY STATUS REPLAYS TIME" per write carried out.
    std::vector<std::string> listing;
};

class IdempotencyTest : public PlantHttp, public ::testing::WithParamInterface<IdempotencyRow> {};

TEST_P(IdempotencyTest, CarriesEachKeyOutOnceAndAnswersItsRetriesAlike) {
    const std::string booking = "results?process=P100&result=7" + Caller + "&quantityA=5";
    std::map<std::string, std::string> firstAnswers;
    int minute = 0;
    for (const WriteStep& step : GetParam().steps) {
        // A recomputed answer would carry the later minute in its "booked" stamp.
        Clock::Set(Dates::AddSeconds(Common::ToDate("20240314103000"), 60.0 * ++minute));
        plant_->ClearFaults();
        const std::string fault = step.fault;
        if (!fault.empty())
            plant_->InjectFault("results", fault == "lose" ? Fault{.LoseReply = true} : Fault{503});
        httplib::Headers headers;
        if (*step.key)
            headers.emplace("Idempotency-Key", step.key);
        const Answer answer = client_->Send("POST", "/" + booking, headers);
        ASSERT_EQ(answer.Received, fault != "lose");
        ASSERT_EQ(answer.Status, fault == "503" ? 503 : fault == "lose" ? 0 : 200);
        if (*step.key && fault.empty() && !firstAnswers.emplace(step.key, answer.Body).second) {
            EXPECT_EQ(answer.Body, firstAnswers[step.key]);
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
        IdempotencyRow{"WithoutKeyEveryWriteCounts",
                       {{"", ""}, {"", ""}},
                       {" 200 0 20240314103100", " 200 0 20240314103200"}},
        IdempotencyRow{
            "SameKeyGetsTheFirstAnswer", {{"a", ""}, {"a", ""}, {"a", ""}}, {"a 200 2 20240314103100"}},
        IdempotencyRow{"NewKeyIsANewWrite",
                       {{"a", ""}, {"b", ""}},
                       {"a 200 0 20240314103100", "b 200 0 20240314103200"}},
        IdempotencyRow{
            "KeyOfAFaultedWriteIsCarriedOutOnRetry", {{"a", "503"}, {"a", ""}}, {"a 200 0 20240314103200"}},
        IdempotencyRow{"LostReplyThenSameKey", {{"a", "lose"}, {"a", ""}}, {"a 200 1 20240314103100"}}),
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

TEST_F(PlantHttp, RefusesATakenPortAndASecondStart) {
    PlantService other;
    EXPECT_THROW(other.Start(port_), std::runtime_error);
    EXPECT_THROW(plant_->Start(), std::logic_error);
    plant_->Stop();
    EXPECT_EQ(plant_->Port(), 0);
    EXPECT_EQ(other.Start(port_), port_); // free again
}

TEST_F(PlantHttp, AnswersBodilessRequestsWithoutContentLength) {
    // No Content-Length on a PATCH without a body: answered at once, not after a read time-out.
    const int fd = test::OpenConnection(port_, "PATCH /statuses/1001?id_tu=5" + Caller +
                                                   " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    ASSERT_GE(fd, 0);
    EXPECT_EQ(test::StatusLine(test::ReceiveAll(fd)), "HTTP/1.1 200 OK");
}

TEST_F(PlantHttp, IdleConnectionsDoNotHoldUpOtherClients) {
    // Half of them silent, half stuck in the middle of a request line.
    std::vector<int> idle;
    for (int i = 0; i < 200; ++i)
        idle.push_back(test::OpenConnection(port_, i % 2 ? "GET /processes/pr" : ""));
    test::TestClient client(port_, 3);
    const Answer answer = client.Send("GET", "/processes/prod?process=P100" + Caller);
    for (const int fd : idle)
        close(fd);
    EXPECT_EQ(std::count(idle.begin(), idle.end(), -1), 0);
    EXPECT_EQ(answer.Status, 200); // 0 when no reply came within the client's time-out
}

} // namespace
} // namespace k7::plant
