// Refresh(True) of a production table of twelve periods (fourteen columns, 84 cells) from a canned
// follow-up reply: the request object answers at once, so what is timed is the client's handling
// of the text, the parse, every figure read and the 84 cell updates. Beside it the bare parse of the
// same text into a JsonBag; the difference is the table's own work.

#include "K7WidgetBench.h"

#include "controls/productionperiodtable/ProductionPeriodTable.h"
#include "json/JsonBag.h"

#include <QString>

#include <benchmark/benchmark.h>

#include <memory>
#include <string>

namespace {

// A follow-up reply of twelve periods with every figure the table reads, as the service writes it.
const QString& CannedReply() {
    static const QString reply = [] {
        const char* const figures[] = {"OEETheoricalQuantity",    "PETheoricalQuantity",      "Activity",
                                       "OEEPlannedQuantityGreen", "OEEPlannedQuantityYellow", "PEPlannedQuantityGreen",
                                       "PEPlannedQuantityYellow", "SpeedTargetGreen",         "SpeedTargetYellow",
                                       "OEETargetGreen",          "OEETargetYellow",          "ProducedQuantity",
                                       "ScrapQuantity",           "ReworkQuantity",           "GoodQuantity"};
        std::string body = R"({"status":0,"data":[)";
        for (int period = 0; period < 12; ++period) {
            body += period == 0 ? "{" : ",{";
            for (int i = 0; i < 15; ++i)
                body += std::string(i == 0 ? "" : ",") + '"' + figures[i] + R"(":{"value":)" +
                        std::to_string(40 + (period * 37 + i * 11) % 90) + (i % 3 == 0 ? ".5" : "") + "}";
            body += "}";
        }
        return QString::fromStdString(body + R"(],"message":"Success"})");
    }();
    return reply;
}

void RefreshTable(benchmark::State& state) {
    k7::ProductionPeriodTable table;
    table.SetRequestFactory(k7::bench::CannedRequest::Factory(CannedReply()));
    table.setAPIHost(QStringLiteral("http://plant/"));
    table.setStartDate(QStringLiteral("20240101000000"));
    table.setEndDate(QStringLiteral("20240102000000"));
    table.setGood(1);
    table.SetExtent(9000, 1800);
    table.Refresh(false);
    if (table.ColumnCount() != 14 || !table.Error().isEmpty()) {
        state.SkipWithError("the table did not build its fourteen columns");
        return;
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(table.Refresh(true));
    if (!table.Error().isEmpty())
        state.SkipWithError(table.Error().toStdString().c_str());
}

void ParseOnly(benchmark::State& state) {
    for (auto _ : state) {
        auto bag = k7::JsonBag::Create();
        bag->SetJSON(CannedReply());
        benchmark::DoNotOptimize(bag->Count());
    }
}

} // namespace

BENCHMARK(RefreshTable)->Name("RefreshTwelvePeriods/ProductionPeriodTable");
BENCHMARK(ParseOnly)->Name("RefreshTwelvePeriods/JsonBagParseOnly");

int main(int argc, char** argv) {
    return k7::bench::WidgetMain(argc, argv, "ProductionPeriodTable");
}
