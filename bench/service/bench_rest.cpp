// Round trip of one GET of a ~10 KB JSON reply on 127.0.0.1.
//
//   RoundTrip/RestClientFreshClient  a new RestClient (so a new request object) per request,
//                                    exactly as the controls' loaders use it; the reply comes
//                                    back as text without CR/LF.
//   RoundTrip/BareCurlReusedHandle   the floor: one libcurl easy handle reused for every request,
//                                    the body collected as bytes and nothing else.
//
// Both talk to the same server in the same run (scripts/bench.sh compares them). Real time per
// round trip swings with whatever else the machine runs, since client and server wait on each
// other through the scheduler; the CPU time each round trip costs does not, so it is reported
// too: `client_cpu_us` on the benchmark's thread, `server_cpu_us` on every other thread of the
// process (the server, and any helper thread libcurl starts), `cpu_us` both together.

#include "K7Bench.h"
#include "service/RestClient.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <httplib.h>

#include <QString>

#include <ctime>
#include <string>
#include <thread>

namespace {

constexpr const char* kPath = "processes/kpis/followup";
constexpr const char* kParams =
    "process=P1&datefrom=20240105060000&dateto=20240105180000&session=S&company=C";

// A follow-up table as the plant serves it: an envelope around twelve-odd period rows.
std::string MakeReply(size_t targetSize) {
    std::string reply = R"({"status":0,"message":"Success","data":[)";
    for (int row = 0; reply.size() < targetSize - 200; ++row) {
        if (row > 0)
            reply += ',';
        reply += R"({"period":)" + std::to_string(row) + R"(,"from":"20240105)" +
                 std::to_string(100000 + row) +
                 R"(","capacity":{"value":"120.5"},"target":{"value":"110"},"produced":{"value":")" +
                 std::to_string(90 + row % 17) + R"("},"bad":{"value":")" + std::to_string(row % 5) +
                 R"("},"good":{"value":")" + std::to_string(85 + row % 13) + R"("},"note":"shift A line 3"})";
    }
    reply += "]}";
    return reply;
}

class ReplyServer {
public:
    ReplyServer() : reply_(MakeReply(10 * 1024)) {
        server_.set_tcp_nodelay(true);
        server_.set_keep_alive_max_count(100000);
        server_.Get(std::string("/") + kPath, [this](const httplib::Request&, httplib::Response& res) {
            res.set_content(reply_, "application/json");
        });
        // Lets the clients' kept-alive connections end at once, so stopping does not wait for the
        // server's keep-alive time-out.
        server_.Get("/bye", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Connection", "close");
        });
        port_ = server_.bind_to_any_port("127.0.0.1");
        thread_ = std::thread([this] { server_.listen_after_bind(); });
    }
    ~ReplyServer() {
        k7::RestClient client;
        client.SetAPIHost(QString::fromStdString(BaseUrl()));
        client.GetRequest(QStringLiteral("bye"), QString());
        server_.stop();
        thread_.join();
    }

    std::string BaseUrl() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }
    size_t ReplySize() const { return reply_.size(); }

private:
    std::string reply_;
    httplib::Server server_;
    int port_ = 0;
    std::thread thread_;
};

ReplyServer* gServer = nullptr;

// CPU time spent while the benchmark loop ran, on this thread and on all the others.
class CpuSplit {
public:
    CpuSplit()
        : thread_(k7::bench::CpuSeconds(CLOCK_THREAD_CPUTIME_ID)),
          process_(k7::bench::CpuSeconds(CLOCK_PROCESS_CPUTIME_ID)) {}

    void Report(benchmark::State& state) const {
        const double thread = k7::bench::CpuSeconds(CLOCK_THREAD_CPUTIME_ID) - thread_;
        const double process = k7::bench::CpuSeconds(CLOCK_PROCESS_CPUTIME_ID) - process_;
        const auto perRoundTrip = [](double seconds) {
            return benchmark::Counter(seconds * 1e6, benchmark::Counter::kAvgIterations);
        };
        state.counters["client_cpu_us"] = perRoundTrip(thread);
        state.counters["server_cpu_us"] = perRoundTrip(process - thread);
        state.counters["cpu_us"] = perRoundTrip(process);
    }

private:
    double thread_;
    double process_;
};

void BM_RestClientFreshClient(benchmark::State& state) {
    const QString base = QString::fromStdString(gServer->BaseUrl());
    const QString path = QString::fromLatin1(kPath);
    const QString params = QString::fromLatin1(kParams);
    const CpuSplit cpu;
    for (auto _ : state) {
        k7::RestClient client;
        client.SetAPIHost(base);
        QString text = client.GetRequest(path, params);
        if (text.size() != static_cast<qsizetype>(gServer->ReplySize())) {
            state.SkipWithError("unexpected reply");
            break;
        }
        benchmark::DoNotOptimize(text);
    }
    cpu.Report(state);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gServer->ReplySize()));
}

size_t AppendBody(char* data, size_t size, size_t count, void* sink) {
    static_cast<std::string*>(sink)->append(data, size * count);
    return size * count;
}

void BM_BareCurlReusedHandle(benchmark::State& state) {
    const std::string url = gServer->BaseUrl() + kPath + "?" + kParams;
    std::string body;
    CURL* easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &AppendBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    const CpuSplit cpu;
    for (auto _ : state) {
        body.clear();
        if (curl_easy_perform(easy) != CURLE_OK || body.size() != gServer->ReplySize()) {
            state.SkipWithError("unexpected reply");
            break;
        }
        benchmark::DoNotOptimize(body);
    }
    cpu.Report(state);
    curl_easy_cleanup(easy);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * gServer->ReplySize()));
}

BENCHMARK(BM_RestClientFreshClient)->Name("RoundTrip/RestClientFreshClient")->UseRealTime();
BENCHMARK(BM_BareCurlReusedHandle)->Name("RoundTrip/BareCurlReusedHandle")->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    curl_global_init(CURL_GLOBAL_DEFAULT);
    k7::bench::DeclareOurs("RestClientFreshClient");
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    {
        ReplyServer server;
        gServer = &server;
        benchmark::RunSpecifiedBenchmarks();
        gServer = nullptr;
    }
    benchmark::Shutdown();
    return 0;
}
