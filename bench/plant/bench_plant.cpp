// The simulated plant under a fleet of line terminals: what the shipped form's controls ask of it
// (examples/line-terminal.ui: three product codes, the scrap and FAI screens every 5 s, the cycle
// clock every second, the period table every 10 s, the path picture every 30 s, the OEE chart every
// minute), sent by clients that all run on the benchmark's thread (PlantLoad.h).
//
//   Requests/<server>/10       ten kept-alive clients, a thousand requests a round: requests_per_s
//   KeepAlive/<server>/4000    4,000 kept-alive clients at once, three requests each
//   Burst/<server>/4000        4,000 connections opened at once, one request each, as terminals
//                              coming back after an outage: p99_us from connecting to the answer
//
// refused_count counts requests that got no 200 (refused, reset, closed or out of time);
// server_cpu_us is the CPU time of the server's threads per answered request.
//   Plant      PlantService on libmicrohttpd, as k7 ships it
//   OldPlant   the plant's former cpp-httplib server, a thread per connection (oldplant/)
// Both answer with the same model and replies, in the same run.

#include "K7Bench.h"
#include "PlantLoad.h"
#include "oldplant/OldPlantServer.h"

#include "core/Clock_p.h"
#include "plant/DrawingService.h"
#include "plant/OpenFileLimit.h"
#include "plant/PlantModel.h"
#include "plant/PlantReplies.h"
#include "plant/PlantService.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>
#include <map>
#include <mutex>
#include <thread>

namespace {

using k7::bench::LoadResult;
using k7::bench::RunLoad;

// One cycle of the terminal's requests in the proportions of a minute of the shipped form (141
// requests, 2.35 a second).
std::vector<std::string> TerminalMix() {
    const std::string caller = "session=DEMO&company=ORV";
    std::vector<std::pair<int, std::string>> perMinute = {
        {60, "/processes/cycleTime?process=P100&" + caller},
        {12, "/processes/prod?process=P100&" + caller},
        {12, "/processes/prod?process=P200&" + caller},
        {12, "/processes/prod?process=P300&" + caller},
        {12, "/processes/P100/scrapcauses/top?" + caller},
        {12, "/statuses/fai?process=P100&" + caller},
        {12, "/statuses/top?process=P100&" + caller},
        {6, "/processes/kpis/followup?process=P100&datefrom=20261207060000&dateto=20261207140000&" + caller +
                "&planned=0&hourly=1"},
        {2, "/drawing/path?server_ip=127.0.0.1&db_port=1433&company_id=ORV&user_id=DEMO&tree=Assembly{P100}"
            "&process=P100&period_from=20261207060000&period_to=20261207140000&path_id=0&constype_id="
            "&period_id=0&width=640&height=240&ign_hist=1&device_id=D1&terminal=1&planned=0&ratiostype=0"
            "&ratiostypetarget=0&seq=1"},
        {1, "/processes/kpis/dashboard?process=P100&datefrom=20261106000000&dateto=20261207000000&" + caller},
    };
    // Interleaved, so that every stretch of the cycle holds the same mix.
    std::vector<std::string> mix;
    for (int round = 0; round < 60; ++round)
        for (const auto& [count, target] : perMinute)
            if (round * count / 60 != (round + 1) * count / 60)
                mix.push_back(target);
    return mix;
}

const std::vector<std::string>& Mix() {
    static const std::vector<std::string> mix = TerminalMix();
    return mix;
}

class Plant {
public:
    Plant() { plant_.Start(0); }
    int Port() const { return plant_.Port(); }

private:
    k7::plant::PlantService plant_;
};

// The former plant: its server, and what its service did per request (count the path, compute the
// reply under the model's lock).
class OldPlant {
public:
    OldPlant()
        : model_(k7::plant::PlantModel::DefaultSeed, k7::Clock::Now()), replies_(model_), drawing_(model_),
          server_({}, [this](const httplib::Request& request, httplib::Response& response) {
              Answer(request, response);
          }) {
        port_ = server_.Bind(0);
        thread_ = std::thread([this] { server_.listen_after_bind(); });
        while (!server_.is_running())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~OldPlant() {
        server_.Shutdown();
        thread_.join();
    }
    int Port() const { return port_; }

private:
    void Answer(const httplib::Request& request, httplib::Response& response) {
        using namespace k7::plant;
        const QString path = PlantReplies::NormalisePath(QString::fromStdString(request.path));
        {
            std::lock_guard lock(countMutex_);
            ++counts_[path];
        }
        std::lock_guard lock(modelMutex_);
        const QByteArray target = QByteArray::fromStdString(request.target);
        const PlantReply reply = DrawingService::Serves(path)
                                     ? drawing_.Answer("GET", target, k7::Clock::Now())
                                     : replies_.Answer("GET", target, k7::Clock::Now());
        response.status = reply.Status;
        response.set_content(reply.Body.toStdString(), "application/json; charset=utf-8");
    }

    std::mutex modelMutex_;
    k7::plant::PlantModel model_;
    k7::plant::PlantReplies replies_;
    k7::plant::DrawingService drawing_;
    std::mutex countMutex_;
    std::map<QString, int> counts_;
    k7::oldplant::OldPlantServer server_;
    std::thread thread_;
    int port_ = 0;
};

constexpr std::chrono::seconds Patience{30};

// The CPU time the server's threads spend per answered request: every thread of the process but the
// clients'. Unlike real time, it hardly depends on what else the machine runs.
class ServerCpu {
public:
    ServerCpu() : others_(Others()) {}
    void Report(benchmark::State& state, size_t answered) const {
        state.counters["server_cpu_us"] = (Others() - others_) * 1e6 / double(std::max<size_t>(answered, 1));
    }

private:
    static double Others() {
        return k7::bench::CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) -
               k7::bench::CpuSeconds(CLOCK_THREAD_CPUTIME_ID);
    }
    double others_;
};

void Report(benchmark::State& state, const LoadResult& result, const ServerCpu& cpu) {
    state.counters["refused_count"] = double(result.Failed);
    state.counters["p99_us"] = result.LatencyQuantileUs(0.99);
    cpu.Report(state, result.Answered);
}

template <class Server> void Requests(benchmark::State& state) {
    Server server;
    const auto clients = static_cast<size_t>(state.range(0));
    LoadResult all;
    const ServerCpu cpu;
    for (auto _ : state) {
        const LoadResult round = RunLoad(server.Port(), clients, 1000 / clients, Mix(), Patience);
        all.Answered += round.Answered;
        all.Failed += round.Failed;
    }
    state.counters["requests_per_s"] = benchmark::Counter(double(all.Answered), benchmark::Counter::kIsRate);
    state.counters["refused_count"] = double(all.Failed);
    cpu.Report(state, all.Answered);
}

template <class Server> void KeepAlive(benchmark::State& state) {
    Server server;
    for (auto _ : state) {
        const ServerCpu cpu;
        Report(state, RunLoad(server.Port(), static_cast<size_t>(state.range(0)), 3, Mix(), Patience), cpu);
    }
}

template <class Server> void Burst(benchmark::State& state) {
    Server server;
    for (auto _ : state) {
        const ServerCpu cpu;
        Report(state, RunLoad(server.Port(), static_cast<size_t>(state.range(0)), 1, Mix(), Patience), cpu);
    }
}

BENCHMARK(Requests<Plant>)->Name("Requests/Plant")->Arg(10)->UseRealTime();
BENCHMARK(Requests<OldPlant>)->Name("Requests/OldPlant")->Arg(10)->UseRealTime();
BENCHMARK(KeepAlive<Plant>)->Name("KeepAlive/Plant")->Arg(4000)->Iterations(1)->UseRealTime();
BENCHMARK(KeepAlive<OldPlant>)->Name("KeepAlive/OldPlant")->Arg(4000)->Iterations(1)->UseRealTime();
BENCHMARK(Burst<Plant>)->Name("Burst/Plant")->Arg(4000)->Iterations(1)->UseRealTime();
BENCHMARK(Burst<OldPlant>)->Name("Burst/OldPlant")->Arg(4000)->Iterations(1)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    // The clients' sockets and the servers' share the process's descriptors.
    k7::plant::RaiseOpenFileLimitForConnections();
    return k7::bench::Main(argc, argv, "Plant");
}
