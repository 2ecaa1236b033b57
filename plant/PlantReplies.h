#pragma once

#include "PlantQuery.h"
#include "PlantReply.h"

#include "core/Date.h"

#include <QByteArray>
#include <QString>

#include <QStringList>
#include <functional>

#include <vector>

namespace k7::plant {

class PlantModel;

// The plant's REST surface: finds the endpoint for a method and path, reads its query, asks the
// model and writes the reply envelope {"status", "data", "message"} with the project's JSON writer.
//
// Paths may start with one or two slashes (hosts end APIHost with "/" and some paths begin with
// one). An unknown path gives 404, a known path with another method 405, a missing or malformed
// query parameter 400 with a reason phrase naming the parameter, an unknown process 200 with a
// non-zero `status` and a message saying so.
class PlantReplies {
public:
    explicit PlantReplies(PlantModel& model);

    // `target` is the request target as received: path, then optionally "?" and the query.
    PlantReply Answer(const QString& requestMethod, const QByteArray& target, Date now);

    // The path without any leading slashes: the key of request counts and faults.
    static QString NormalisePath(const QString& path);
    // The envelope of a reply that reports a problem: `status`, an empty `data`, `message`.
    static QByteArray FailureBody(int status, const QString& message);
    // Reads `rawQuery` and answers with it; a query the plant cannot read (a missing or malformed
    // parameter, a window reaching past the dates the runtime can hold) is answered 400 with a
    // reason phrase saying what is wrong.
    static PlantReply AnswerQuery(const QByteArray& rawQuery,
                                  const std::function<PlantReply(const PlantQuery&)>& answer);

private:
    using Handler = PlantReply (PlantReplies::*)(const QStringList& segments, const PlantQuery& query,
                                                 Date now);
    struct Route {
        const char* Method;
        QStringList Pattern; // "*" matches any one segment
        Handler Handle;
    };

    static bool Matches(const QStringList& pattern, const QStringList& segments);

    PlantReply AnswerProduct(const QStringList& segments, const PlantQuery& query, Date now);
    PlantReply AnswerScrapCauses(const QStringList& segments, const PlantQuery& query, Date now);
    PlantReply AnswerScrapBooking(const QStringList& segments, const PlantQuery& query, Date now);
    PlantReply AnswerFai(const QStringList& segments, const PlantQuery& query, Date now);
    PlantReply AnswerDowntimes(const QStringList& segments, const PlantQuery& query, Date now);
    PlantReply AnswerJustification(const QStringList& segments, const PlantQuery& query, Date now);
    PlantReply AnswerDashboard(const QStringList& segments, const PlantQuery& query, Date now);
    PlantReply AnswerCycleTime(const QStringList& segments, const PlantQuery& query, Date now);
    PlantReply AnswerFollowUp(const QStringList& segments, const PlantQuery& query, Date now);

    static void RequireCaller(const PlantQuery& query);

    PlantModel& model_;
    std::vector<Route> routes_;
};

} // namespace k7::plant
