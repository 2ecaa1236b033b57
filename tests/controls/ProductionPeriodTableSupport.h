#pragma once

// What the table's tests share: follow-up replies built from period figures, and a table wired to
// scripted replies and a recording host.

#include "support/QueuedRequest.h"

#include "controls/productionperiodtable/ProductionPeriodTable.h"
#include "frame/children/Label.h"
#include "frame/children/WidgetArray_p.h"

#include <QStringList>

#include <map>
#include <string>
#include <vector>

// One period of a follow-up reply: figure -> JSON text ("12.5", "\"12.5\"", "null"), "0" unless set.
using Period = std::map<std::string, std::string>;

inline QString FollowUpReply(const std::vector<Period>& periods, const std::string& message = "Success") {
    static const char* const figures[] = {
        "OEETheoricalQuantity",    "PETheoricalQuantity",     "Activity",
        "OEEPlannedQuantityGreen", "OEEPlannedQuantityYellow", "PEPlannedQuantityGreen",
        "PEPlannedQuantityYellow", "SpeedTargetGreen",         "SpeedTargetYellow",
        "OEETargetGreen",          "OEETargetYellow",          "ProducedQuantity",
        "ScrapQuantity",           "ReworkQuantity",           "GoodQuantity"};
    std::string body = R"({"status":0,"message":")" + message + R"(","data":[)";
    for (size_t i = 0; i < periods.size(); ++i) {
        std::string separator = i == 0 ? "{" : ",{";
        for (const char* figure : figures) {
            const auto set = periods[i].find(figure);
            body += separator + '"' + figure + R"(":{"value":)" +
                    (set == periods[i].end() ? "0" : set->second) + "}";
            separator = ",";
        }
        body += "}";
    }
    return QString::fromStdString(body + "]}");
}

// A table restored from an empty store, connected to scripted replies, P100 / S7 / ACME, over the
// given window.
struct ScriptedTable : QueuedControl<k7::ProductionPeriodTable> {
    ScriptedTable(const QString& start, const QString& end)
        : QueuedControl("http://plant/", {}, Start::Unopened) {
        control.setStartDate(start);
        control.setEndDate(end);
        host.Asked.clear();
        host.Changed.clear();
    }
    QString Caption(int row, int column) const { return control.Cell(row, column).Caption(); }
    QStringList Row(int row) const {
        QStringList captions;
        for (int column = 0; column < control.ColumnCount(); ++column)
            captions << Caption(row, column);
        return captions;
    }
};
