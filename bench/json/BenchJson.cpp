// Parse and write throughput of JsonBag beside nlohmann::ordered_json, RapidJSON (DOM) and
// QJsonDocument on replies shaped like the production-table reply: an envelope whose data holds
// period objects of about twenty {"value": n} members each. Argument 0 is the ~8 KB reply of
// twelve periods, argument 1 the same shape at ~5 MB.
//
// JsonBag reads a QString (the REST client hands over decoded text) while the peers read UTF-8
// bytes; the decode itself is measured on its own (Decode/...). Bytes processed are always the
// UTF-8 size, so every MB/s figure refers to the same document.

#include "K7Bench.h"
#include "ReplyDocument.h"
#include "json/JsonBag.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

#include <benchmark/benchmark.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdint>
#include <string>

namespace {

using k7::bench::MakeReply;

const std::string& Reply(int64_t which) {
    static const std::string small = MakeReply(0);         // twelve periods, ~10 KB
    static const std::string large = MakeReply(5'000'000); // ~5 MB
    return which == 0 ? small : large;
}

const QString& ReplyText(int64_t which) {
    static const QString small = QString::fromStdString(Reply(0));
    static const QString large = QString::fromStdString(Reply(1));
    return which == 0 ? small : large;
}

void Count(benchmark::State& state) {
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Reply(state.range(0)).size()));
    state.counters["bytes"] = double(Reply(state.range(0)).size());
}

// --- decoding (what the REST client does before JsonBag sees the text)

void DecodeUtf8(benchmark::State& state) {
    const std::string& bytes = Reply(state.range(0));
    for (auto _ : state)
        benchmark::DoNotOptimize(QString::fromUtf8(bytes.data(), qsizetype(bytes.size())));
    Count(state);
}

// --- parsing

void ParseJsonBag(benchmark::State& state) {
    const QString& text = ReplyText(state.range(0));
    for (auto _ : state) {
        auto bag = k7::JsonBag::Create();
        bag->SetJSON(text);
        benchmark::DoNotOptimize(bag->Count());
    }
    Count(state);
}

void ParseNlohmannOrdered(benchmark::State& state) {
    const std::string& bytes = Reply(state.range(0));
    for (auto _ : state) {
        auto doc = nlohmann::ordered_json::parse(bytes);
        benchmark::DoNotOptimize(doc.size());
    }
    Count(state);
}

void ParseRapidJson(benchmark::State& state) {
    const std::string& bytes = Reply(state.range(0));
    for (auto _ : state) {
        rapidjson::Document doc;
        doc.Parse(bytes.data(), bytes.size());
        benchmark::DoNotOptimize(doc.MemberCount());
    }
    Count(state);
}

void ParseQJsonDocument(benchmark::State& state) {
    const QByteArray bytes = QByteArray::fromStdString(Reply(state.range(0)));
    for (auto _ : state) {
        QJsonDocument doc = QJsonDocument::fromJson(bytes);
        benchmark::DoNotOptimize(doc.isObject());
    }
    Count(state);
}

// --- writing (compact)

void WriteJsonBag(benchmark::State& state) {
    auto bag = k7::JsonBag::Create();
    bag->SetJSON(ReplyText(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(bag->JSON());
    Count(state);
}

void WriteNlohmannOrdered(benchmark::State& state) {
    const auto doc = nlohmann::ordered_json::parse(Reply(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(doc.dump());
    Count(state);
}

void WriteRapidJson(benchmark::State& state) {
    rapidjson::Document doc;
    doc.Parse(Reply(state.range(0)).c_str());
    for (auto _ : state) {
        rapidjson::StringBuffer buffer;
        rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
        doc.Accept(writer);
        benchmark::DoNotOptimize(buffer.GetSize());
    }
    Count(state);
}

void WriteQJsonDocument(benchmark::State& state) {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(Reply(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(doc.toJson(QJsonDocument::Compact));
    Count(state);
}

void Sizes(benchmark::internal::Benchmark* bench) {
    bench->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
}

} // namespace

BENCHMARK(DecodeUtf8)->Name("Decode/Utf8ToQString")->Apply(Sizes);
BENCHMARK(ParseJsonBag)->Name("Parse/JsonBag")->Apply(Sizes);
BENCHMARK(ParseNlohmannOrdered)->Name("Parse/NlohmannOrdered")->Apply(Sizes);
BENCHMARK(ParseRapidJson)->Name("Parse/RapidJsonDom")->Apply(Sizes);
BENCHMARK(ParseQJsonDocument)->Name("Parse/QJsonDocument")->Apply(Sizes);
BENCHMARK(WriteJsonBag)->Name("Write/JsonBag")->Apply(Sizes);
BENCHMARK(WriteNlohmannOrdered)->Name("Write/NlohmannOrdered")->Apply(Sizes);
BENCHMARK(WriteRapidJson)->Name("Write/RapidJson")->Apply(Sizes);
BENCHMARK(WriteQJsonDocument)->Name("Write/QJsonDocument")->Apply(Sizes);

K7_BENCH_MAIN("JsonBag")
