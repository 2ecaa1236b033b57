#include "PlantTestClient.h"

#include "plant/PlantModel.h"
#include "plant/PlantService.h"
#include "plant/PlantTime.h"

#include "core/Clock.h"
#include "service/Common.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <regex>
#include <thread>
#include <vector>

namespace k7::plant {
namespace {

using nlohmann::json;
using test::Answer;

constexpr const char* Opened = "20240314103000";
const std::string Caller = "&session=S1&company=ACME";

class PlantHttp : public ::testing::Test {
protected:
    void SetUp() override {
        Clock::Set(Common::ToDate(Opened));
        plant_ = std::make_unique<PlantService>();
        port_ = plant_->Start();
        client_ = std::make_unique<test::TestClient>(port_);
    }
    void TearDown() override {
        client_.reset();
        plant_.reset();
        Clock::UseSystemTime();
    }

    Answer Send(const std::string& method, const std::string& target) {
        return client_->Send(method, target);
    }
    json Data(const std::string& method, const std::string& target) {
        const Answer answer = Send(method, target);
        EXPECT_EQ(answer.Status, 200) << target;
        const json reply = answer.Json();
        EXPECT_EQ(reply["status"], 0) << answer.Body;
        EXPECT_EQ(reply["message"], "Success") << answer.Body;
        return reply["data"];
    }
    json Followup(const std::string& from, const std::string& to, int hourly) {
        return Data("GET", "/processes/kpis/followup?process=P100&datefrom=" + from + "&dateto=" + to +
                               Caller + "&planned=0&hourly=" + std::to_string(hourly));
    }

    std::unique_ptr<PlantService> plant_;
    int port_ = 0;
    std::unique_ptr<test::TestClient> client_;
};

// --- every endpoint, with one and with two leading slashes

struct EndpointRow {
    const char* method;
    const char* target; // without the leading slash
    std::function<void(const json& data)> check;
};

class EndpointTest : public PlantHttp,
                     public ::testing::WithParamInterface<std::tuple<EndpointRow, const char*>> {};

const char* FigureNames[] = {"OEETheoricalQuantity",    "PETheoricalQuantity",      "Activity",
                             "OEEPlannedQuantityGreen", "OEEPlannedQuantityYellow", "PEPlannedQuantityGreen",
                             "PEPlannedQuantityYellow", "SpeedTargetGreen",         "SpeedTargetYellow",
                             "OEETargetGreen",          "OEETargetYellow",          "ProducedQuantity",
                             "ScrapQuantity",           "ReworkQuantity",           "GoodQuantity"};

const EndpointRow Endpoints[] = {
    {"GET", "processes/prod?process=P100&session=S1&company=ACME",
     [](const json& data) { EXPECT_EQ(data[0]["Id_prod"], "T-4711"); }},
    {"GET", "processes/prod?process=P200&session=S1&company=ACME",
     [](const json& data) { EXPECT_EQ(data[0]["Id_prod"], 880154); }},
    {"GET", "processes/P100/scrapcauses/top?session=S1&company=ACME",
     [](const json& data) {
         ASSERT_EQ(data.size(), 4u);
         EXPECT_EQ(data[0]["Scrap"], "12-Broken");
         for (const json& cause : data)
             EXPECT_TRUE(
                 std::regex_match(cause["Scrap"].get<std::string>(), std::regex("[0-9]+-[A-Za-z -]+")));
     }},
    {"GET", "statuses/fai?process=P100&session=S1&company=ACME",
     [](const json& data) {
         ASSERT_EQ(data.size(), 2u);
         EXPECT_EQ(data[0]["id_tu"], "RUN");
         const json& fai = data[1];
         EXPECT_EQ(fai["id_tu"], "FAI");
         EXPECT_EQ(fai["machdate"], "P10020240314095000");
         const int secs = fai["secs"];
         EXPECT_EQ(
             fai["end"],
             PlantTime::Stamp(PlantTime::Seconds(Common::ToDate("20240314095000")) + secs).toStdString());
         EXPECT_TRUE(fai["id"].is_number_integer());
     }},
    {"GET", "statuses/fai?process=P200&session=S1&company=ACME",
     [](const json& data) {
         ASSERT_EQ(data.size(), 1u);
         EXPECT_NE(data[0]["id_tu"], "FAI");
     }},
    {"GET", "statuses/top?process=P200&session=S1&company=ACME",
     [](const json& data) {
         ASSERT_EQ(data.size(), 8u);
         EXPECT_EQ(data[0]["Id"], "5");
     }},
    {"GET",
     "processes/kpis/"
     "dashboard?process=P100&datefrom=20240212103000&dateto=20240314103000&session=S1&company=ACME",
     [](const json& data) {
         ASSERT_EQ(data.size(), 31u);
         EXPECT_EQ(data.front()["Date"], "20240213000000");
         EXPECT_EQ(data.back()["Date"], "20240314000000");
         for (const json& day : data) {
             EXPECT_TRUE(day["OEE"].is_number());
             EXPECT_EQ(day["OEETargetGreen"], 85);
             EXPECT_EQ(day["OEETargetYellow"], 65);
         }
     }},
    {"GET", "processes/cycleTime?process=P100&session=S1&company=ACME",
     [](const json& data) {
         EXPECT_EQ(data[0]["CycleT"], 60);
         EXPECT_GE(data[0]["Val"].get<int>(), 1);
         const std::string start = data[0]["DateTime"];
         EXPECT_TRUE(start > "20240314102700" && start <= Opened) << start;
     }},
    {"GET",
     "processes/kpis/"
     "followup?process=P100&datefrom=20240314060000&dateto=20240314140000&session=S1&company=ACME"
     "&planned=0&hourly=1",
     [](const json& data) {
         ASSERT_EQ(data.size(), 8u);
         EXPECT_EQ(data[0]["PeriodEnd"]["value"], "20240314070000");
         EXPECT_EQ(data[7]["PeriodEnd"]["value"], "20240314140000");
         for (const json& period : data)
             for (const char* name : FigureNames)
                 EXPECT_TRUE(period[name]["value"].is_number()) << name;
         EXPECT_GT(data[0]["ProducedQuantity"]["value"].get<int>(), 20);
         EXPECT_EQ(data[7]["ProducedQuantity"]["value"], 0); // still to come
     }},
};

TEST_P(EndpointTest, AnswersWithTheEnvelopeTheControlsRead) {
    const auto& [row, slashes] = GetParam();
    const std::string target = std::string(slashes) + row.target;
    const json data = Data(row.method, target);
    ASSERT_TRUE(data.is_array()) << target;
    row.check(data);
    EXPECT_EQ(plant_->RequestCount(QString::fromUtf8(row.target).section('?', 0, 0)), 1);
}

INSTANTIATE_TEST_SUITE_P(Endpoints, EndpointTest,
                         ::testing::Combine(::testing::ValuesIn(Endpoints), ::testing::Values("/", "//")));

// --- refusals: unknown processes and items, bad queries, unknown paths

struct RefusalRow {
    const char* method;
    const char* target;
    int http;            // HTTP status
    int status;          // envelope status when http is 200
    const char* message; // reason phrase (HTTP failure) or message (200)
};

class RefusalTest : public PlantHttp, public ::testing::WithParamInterface<RefusalRow> {};

TEST_P(RefusalTest, SaysWhatIsWrong) {
    const RefusalRow& row = GetParam();
    const Answer answer = Send(row.method, row.target);
    ASSERT_TRUE(answer.Received);
    ASSERT_EQ(answer.Status, row.http) << answer.Body;
    if (row.http == 200) {
        EXPECT_EQ(answer.Json()["status"], row.status);
        EXPECT_EQ(answer.Json()["message"], row.message);
    } else {
        EXPECT_EQ(answer.Reason, row.message);
        EXPECT_NE(answer.Json()["status"], 0);
    }
    plant_->WithModel([](PlantModel& model) { EXPECT_TRUE(model.Bookings().empty()); });
}

INSTANTIATE_TEST_SUITE_P(
    Rows, RefusalTest,
    ::testing::Values(
        RefusalRow{"GET", "/processes/prod?process=P999&session=S&company=C", 200, 1,
                   "Unknown process 'P999'"},
        RefusalRow{"GET", "/processes/prod?process=&session=S&company=C", 200, 1, "Unknown process ''"},
        RefusalRow{"GET", "/processes/P999/scrapcauses/top?session=S&company=C", 200, 1,
                   "Unknown process 'P999'"},
        RefusalRow{"POST", "/results?process=P999&result=12&session=S&company=C&quantityA=1", 200, 1,
                   "Unknown process 'P999'"},
        RefusalRow{"POST", "/results?process=P100&result=4&session=S&company=C&quantityA=1", 200, 2,
                   "Process P100 has no scrap cause 4"},
        RefusalRow{"GET", "/statuses/fai?process=p100&session=S&company=C", 200, 1, "Unknown process 'p100'"},
        RefusalRow{"PATCH", "/statuses/4711?id_tu=5&session=S&company=C", 200, 2,
                   "No FAI '4711' waits for a justification"},
        RefusalRow{"GET", "/processes/cycleTime?process=P999&session=S&company=C", 200, 1,
                   "Unknown process 'P999'"},
        RefusalRow{"GET", "/processes/prod?process=P100&company=C", 400, 0,
                   "Missing query parameter 'session'"},
        RefusalRow{"GET", "/processes/prod?process=P100&session=S&session=T&company=C", 400, 0,
                   "Query parameter 'session' is given twice"},
        RefusalRow{
            "GET",
            "/processes/kpis/dashboard?process=P100&datefrom=20241301&dateto=20241302&session=S&company=C",
            400, 0, "Query parameter 'datefrom' must be a timestamp YYYYMMDDhhmmss, not '20241301'"},
        RefusalRow{
            "GET",
            "/processes/kpis/dashboard?process=P100&datefrom=20240302&dateto=20240301&session=S&company=C",
            400, 0, "Query parameter 'dateto' lies before 'datefrom'"},
        RefusalRow{
            "GET",
            "/processes/kpis/followup?process=P100&datefrom=20240301&dateto=20240302&session=S&company=C"
            "&planned=2&hourly=1",
            400, 0, "Query parameter 'planned' must lie between 0 and 1, not '2'"},
        RefusalRow{
            "GET",
            "/processes/kpis/followup?process=P100&datefrom=20240301&dateto=20240302&session=S&company=C"
            "&planned=0&hourly=1.5",
            400, 0, "Query parameter 'hourly' must be a whole number, not '1.5'"},
        RefusalRow{"POST", "/results?process=P100&result=12-Broken&session=S&company=C&quantityA=1", 400, 0,
                   "Query parameter 'result' must be a whole number, not '12-Broken'"},
        RefusalRow{"GET", "/processes/kpis", 404, 0, "Not Found"},
        RefusalRow{"GET", "///processes/prod?process=P100&session=S&company=C", 404, 0, "Not Found"},
        RefusalRow{"GET", "/statuses/1001?id_tu=5&session=S&company=C", 405, 0, "Method Not Allowed"},
        RefusalRow{"DELETE", "/processes/prod?process=P100&session=S&company=C", 405, 0,
                   "Method Not Allowed"}));

// --- state carried between requests

TEST_F(PlantHttp, BookedScrapShowsInTheFollowupOfItsPeriod) {
    const auto scrapAt = [&](int period) {
        return Followup("20240314080000", "20240314120000", 1)[period]["ScrapQuantity"]["value"].get<int>();
    };
    const int before = scrapAt(2); // 10:00 to 11:00 holds "now"
    const int earlier = scrapAt(1);
    const json booked = Data("POST", "/results?process=P100&result=7" + Caller + "&quantityA=5");
    EXPECT_EQ(booked["quantityA"], 5);
    EXPECT_EQ(scrapAt(2), before + 5);
    EXPECT_EQ(scrapAt(1), earlier);
    // Scratched now leads the top causes.
    EXPECT_EQ(Data("GET", "/processes/P100/scrapcauses/top?session=S1&company=ACME")[0]["Scrap"],
              "7-Scratched");
}

TEST_F(PlantHttp, JustificationClearsTheFaiUntilTheNextOneIsDue) {
    plant_->WithModel([](PlantModel& model) { model.SetFaiEveryCycles(2); });
    const std::string query = "?process=P100" + Caller;
    const json fai = Data("GET", "/statuses/fai" + query)[1];
    const std::string id = std::to_string(fai["id"].get<int>());
    const std::string downtime = Data("GET", "/statuses/top" + query)[3]["Id"];

    Data("PATCH", "/statuses/" + id + "?id_tu=" + downtime + Caller);
    EXPECT_EQ(Data("GET", "/statuses/fai" + query).size(), 1u);
    EXPECT_EQ(Send("PATCH", "/statuses/" + id + "?id_tu=" + downtime + Caller).Json()["status"], 2);

    Cycle cycle;
    plant_->WithModel([&](PlantModel& model) { cycle = model.CurrentCycle("P100", Clock::Now()); });
    Clock::Set(PlantTime::ToDate(cycle.Start + cycle.Duration));
    EXPECT_EQ(Data("GET", "/statuses/fai" + query).size(), 1u); // one cycle on: not yet
    plant_->WithModel([&](PlantModel& model) { cycle = model.CurrentCycle("P100", Clock::Now()); });
    Clock::Set(PlantTime::ToDate(cycle.Start + cycle.Duration));
    const json again = Data("GET", "/statuses/fai" + query);
    ASSERT_EQ(again.size(), 2u);
    EXPECT_NE(again[1]["id"], fai["id"]);
    EXPECT_EQ(again[1]["machdate"], "P100" + PlantTime::Stamp(cycle.Start + cycle.Duration).toStdString());
}

TEST_F(PlantHttp, CycleCounterMovesWhenTheClockPassesTheCycleEnd) {
    const std::string target = "/processes/cycleTime?process=P300" + Caller;
    const json first = Data("GET", target)[0];
    Cycle cycle;
    plant_->WithModel([&](PlantModel& model) { cycle = model.CurrentCycle("P300", Clock::Now()); });
    EXPECT_EQ(first["DateTime"], PlantTime::Stamp(cycle.Start).toStdString());

    Clock::Set(PlantTime::ToDate(cycle.Start + cycle.Duration - 1));
    EXPECT_EQ(Data("GET", target)[0]["Val"], first["Val"]);
    Clock::Set(PlantTime::ToDate(cycle.Start + cycle.Duration));
    const json next = Data("GET", target)[0];
    EXPECT_EQ(next["Val"], first["Val"].get<int>() + 1);
    EXPECT_EQ(next["DateTime"], PlantTime::Stamp(cycle.Start + cycle.Duration).toStdString());
}

// --- faults

TEST_F(PlantHttp, StatusFaultAnswersInsteadOfThePlant) {
    plant_->InjectFault("/results", Fault{503, "Down for \"maintenance\"", 0, std::nullopt, false});
    const Answer answer = Send("POST", "/results?process=P100&result=7" + Caller + "&quantityA=5");
    EXPECT_EQ(answer.Status, 503);
    EXPECT_EQ(answer.Reason, "Down for \"maintenance\"");
    plant_->WithModel([](PlantModel& model) { EXPECT_TRUE(model.Bookings().empty()); });
    EXPECT_EQ(plant_->RequestCount("results"), 1);

    plant_->InjectFault("processes/prod", Fault{500, "", 0, std::nullopt, false});
    EXPECT_EQ(Send("GET", "/processes/prod?process=P100" + Caller).Reason, "Internal Server Error");
    plant_->ClearFaults();
    EXPECT_EQ(Send("POST", "/results?process=P100&result=7" + Caller + "&quantityA=5").Status, 200);
}

TEST_F(PlantHttp, ReasonFaultKeepsThePlantsReply) {
    plant_->InjectFault("results", Fault{0, "Booked, thanks", 0, std::nullopt, false});
    const Answer answer = Send("POST", "//results?process=P100&result=7" + Caller + "&quantityA=5");
    EXPECT_EQ(answer.Status, 200);
    EXPECT_EQ(answer.Reason, "Booked, thanks");
    EXPECT_EQ(answer.Json()["message"], "Success");
    plant_->WithModel([](PlantModel& model) { EXPECT_EQ(model.Bookings().size(), 1u); });
}

TEST_F(PlantHttp, RawBodyFaultSendsTheTextAsItStands) {
    const QString raw = "{\"status\":0,\r\n\"message\":\"a \"quoted\" word\"}";
    plant_->InjectFault("processes/prod", Fault{0, "", 0, raw, false});
    const Answer answer = Send("GET", "/processes/prod?process=P100" + Caller);
    EXPECT_EQ(answer.Status, 200);
    EXPECT_EQ(answer.Reason, "OK");
    EXPECT_EQ(answer.Body, raw.toStdString());
}

TEST_F(PlantHttp, DroppedConnectionGivesNoReply) {
    plant_->InjectFault("*", Fault{0, "", 0, std::nullopt, true});
    EXPECT_FALSE(Send("GET", "/processes/prod?process=P100" + Caller).Received);
    EXPECT_FALSE(Send("GET", "/processes/cycleTime?process=P100" + Caller).Received);
    plant_->InjectFault("processes/prod", Fault{}); // a path's own fault wins over "*"
    EXPECT_EQ(Send("GET", "/processes/prod?process=P100" + Caller).Status, 200);
    EXPECT_EQ(plant_->TotalRequests(), 3);
}

TEST_F(PlantHttp, DelayFaultHoldsTheReplyBack) {
    plant_->InjectFault("processes/cycleTime", Fault{0, "", 150, std::nullopt, false});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(Send("GET", "/processes/cycleTime?process=P100" + Caller).Status, 200);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(150));
}

// --- transport

TEST_F(PlantHttp, KeepsConnectionsAliveAndRecoversAfterClosingOnes) {
    for (int i = 0; i < 30; ++i) {
        ASSERT_EQ(Send("GET", "/processes/prod?process=P100" + Caller).Status, 200);
        // A custom reason phrase closes the connection; the next request opens another.
        if (i % 10 == 5) {
            ASSERT_EQ(Send("GET", "/processes/prod?process=P100").Status, 400);
        }
    }
    EXPECT_EQ(plant_->RequestCount("processes/prod"), 33);
    EXPECT_EQ(plant_->RequestCount("processes/cycleTime"), 0);
    plant_->ResetCounts();
    EXPECT_EQ(plant_->TotalRequests(), 0);
}

TEST_F(PlantHttp, ParallelClientsShareOneConsistentModel) {
    std::vector<std::thread> clients;
    for (int c = 0; c < 4; ++c)
        clients.emplace_back([this] {
            test::TestClient client(port_);
            for (int i = 0; i < 25; ++i) {
                client.Send("POST", "/results?process=P200&result=8" + Caller + "&quantityA=2");
                client.Send("GET", "/processes/P200/scrapcauses/top?session=S1&company=ACME");
            }
        });
    for (std::thread& client : clients)
        client.join();
    plant_->WithModel([](PlantModel& model) { EXPECT_EQ(model.Bookings().size(), 100u); });
    EXPECT_EQ(plant_->RequestCount("results"), 100);
    EXPECT_EQ(plant_->TotalRequests(), 200);
}

TEST_F(PlantHttp, RefusesATakenPortAndASecondStart) {
    PlantService other;
    EXPECT_THROW(other.Start(port_), std::runtime_error);
    EXPECT_THROW(plant_->Start(), std::logic_error);
    plant_->Stop();
    EXPECT_EQ(plant_->Port(), 0);
    EXPECT_EQ(other.Start(port_), port_); // free again
}

// What the REST client sends: no body and possibly no Content-Length on PATCH and POST.
std::string RawExchange(int port, const std::string& request) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        send(fd, request.data(), request.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(request.size())) {
        char buffer[4096];
        for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;)
            reply.append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return reply;
}

TEST_F(PlantHttp, AcceptsBodilessRequestsAndWritesExactStatusLines) {
    const std::string patch = RawExchange(port_, "PATCH /statuses/1001?id_tu=5" + Caller +
                                                     " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(patch.substr(0, patch.find("\r\n")), "HTTP/1.1 200 OK");
    EXPECT_NE(patch.find("\"message\":\"Success\""), std::string::npos) << patch;

    const std::string bad =
        RawExchange(port_, "GET /processes/prod?process=P100 HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(bad.substr(0, bad.find("\r\n")), "HTTP/1.1 400 Missing query parameter 'session'");
}

} // namespace
} // namespace k7::plant
