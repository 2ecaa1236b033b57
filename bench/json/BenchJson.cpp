// Parse and write throughput of JsonBag beside nlohmann::ordered_json, RapidJSON (DOM) and
// QJsonDocument on replies shaped like the production-table reply: an envelope whose data holds
// period objects of about twenty {"value": n} members each. Argument 0 is the ~8 KB reply of
// twelve periods, argument 1 the same shape at ~5 MB. TreeMemory has a third argument, 2: two
// million objects {"value": n} in one array.
//
// JsonBag reads a QString (the REST client hands over decoded text) while the peers read UTF-8
// bytes; the decode itself is measured on its own (Decode/...). Bytes processed are always the
// UTF-8 size, so every MB/s figure refers to the same document.
//
// Walk/<Implementation>/0 reads the parsed ~8 KB reply as a table does (ReplyWalks.h): `data`,
// each period, each of its twenty {"value": n} members by name and the number in it.
//
// TreeMemory/<Implementation>/<argument> parses the document and reports, as the user counter
// bytes_per_byte, the bytes that the allocator holds for the parsed tree (glibc's in-use and
// mapped bytes after parsing minus before) per byte of the UTF-8 text. The text itself, decoded
// or not, is made before and not counted.

#include "K7Bench.h"
#include "ReplyDocument.h"
#include "ReplyWalks.h"
#include "json/JsonBag.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QString>

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdint>
#include <memory>
#include <string>

namespace {

using k7::bench::MakeReply;
using k7::bench::MakeSmallObjects;

const std::string& Reply(int64_t which) {
    static const std::string small = MakeReply(0);         // twelve periods, ~10 KB
    static const std::string large = MakeReply(5'000'000); // ~5 MB
    if (which == 2) {
        static const std::string objects = MakeSmallObjects(2'000'000);
        return objects;
    }
    return which == 0 ? small : large;
}

const QString& ReplyText(int64_t which) {
    static const QString small = QString::fromStdString(Reply(0));
    static const QString large = QString::fromStdString(Reply(1));
    if (which == 2) {
        static const QString objects = QString::fromStdString(Reply(2));
        return objects;
    }
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

// --- walking a parsed reply

void WalkJsonBag(benchmark::State& state) {
    auto bag = k7::JsonBag::Create();
    bag->SetJSON(ReplyText(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(k7::bench::WalkJsonBag(*bag));
    Count(state);
}

void WalkNlohmannOrdered(benchmark::State& state) {
    const auto doc = nlohmann::ordered_json::parse(Reply(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(k7::bench::WalkNlohmannOrdered(doc));
    Count(state);
}

void WalkRapidJson(benchmark::State& state) {
    rapidjson::Document doc;
    doc.Parse(Reply(state.range(0)).c_str());
    for (auto _ : state)
        benchmark::DoNotOptimize(k7::bench::WalkRapidJson(doc));
    Count(state);
}

void WalkQJsonDocument(benchmark::State& state) {
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(Reply(state.range(0))));
    for (auto _ : state)
        benchmark::DoNotOptimize(k7::bench::WalkQJsonDocument(doc));
    Count(state);
}

// --- tree memory

size_t HeapInUse() {
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

// Runs `parse`, which returns the parsed tree, and reports what the tree holds per byte of text.
template <class Parse> void MeasureTree(benchmark::State& state, Parse parse) {
    const std::string& bytes = Reply(state.range(0));
    double perByte = 0;
    for (auto _ : state) {
        const size_t before = HeapInUse();
        auto tree = parse();
        perByte = double(HeapInUse() - before) / double(bytes.size());
        benchmark::DoNotOptimize(tree);
    }
    Count(state);
    state.counters["bytes_per_byte"] = perByte;
}

void TreeMemoryJsonBag(benchmark::State& state) {
    const QString& text = ReplyText(state.range(0));
    MeasureTree(state, [&] {
        auto bag = k7::JsonBag::Create();
        bag->SetJSON(text);
        return bag;
    });
}

void TreeMemoryNlohmannOrdered(benchmark::State& state) {
    const std::string& bytes = Reply(state.range(0));
    MeasureTree(state, [&] {
        return std::make_unique<nlohmann::ordered_json>(nlohmann::ordered_json::parse(bytes));
    });
}

void TreeMemoryRapidJson(benchmark::State& state) {
    const std::string& bytes = Reply(state.range(0));
    MeasureTree(state, [&] {
        auto doc = std::make_unique<rapidjson::Document>();
        doc->Parse(bytes.data(), bytes.size());
        return doc;
    });
}

void TreeMemoryQJsonDocument(benchmark::State& state) {
    const QByteArray bytes = QByteArray::fromStdString(Reply(state.range(0)));
    MeasureTree(state, [&] { return std::make_unique<QJsonDocument>(QJsonDocument::fromJson(bytes)); });
}

void Sizes(benchmark::internal::Benchmark* bench) {
    bench->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
}

void WalkSize(benchmark::internal::Benchmark* bench) {
    bench->Arg(0)->Unit(benchmark::kMicrosecond);
}

void TreeSizes(benchmark::internal::Benchmark* bench) {
    bench->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);
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
BENCHMARK(WalkJsonBag)->Name("Walk/JsonBag")->Apply(WalkSize);
BENCHMARK(WalkNlohmannOrdered)->Name("Walk/NlohmannOrdered")->Apply(WalkSize);
BENCHMARK(WalkRapidJson)->Name("Walk/RapidJsonDom")->Apply(WalkSize);
BENCHMARK(WalkQJsonDocument)->Name("Walk/QJsonDocument")->Apply(WalkSize);
BENCHMARK(TreeMemoryJsonBag)->Name("TreeMemory/JsonBag")->Apply(TreeSizes);
BENCHMARK(TreeMemoryNlohmannOrdered)->Name("TreeMemory/NlohmannOrdered")->Apply(TreeSizes);
BENCHMARK(TreeMemoryRapidJson)->Name("TreeMemory/RapidJsonDom")->Apply(TreeSizes);
BENCHMARK(TreeMemoryQJsonDocument)->Name("TreeMemory/QJsonDocument")->Apply(TreeSizes);

K7_BENCH_MAIN("JsonBag")
