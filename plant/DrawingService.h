#pragma once

#include "PlantReply.h"

#include "core/Date.h"

#include <QByteArray>
#include <QString>

namespace k7::plant {

class PlantModel;
class PlantQuery;

// The plant's drawing service, what the path view asks for its picture: GET on "drawing/path"
// with the path view's twenty query parameters answers a canvas script (text/plain, lines ending
// in CR LF, statements separated by ";") that draws the production path sized to `width` x
// `height` pixels:
//   - the area named in `tree` ("Area{Process}", "Plant" when the area is empty) as a tall box
//     on the left with its name turned to run downwards;
//   - each process of the plant as a box in a row to its right, coloured by its ratio over
//     [period_from, period_to) against the process's targets (green, yellow, red; grey when
//     `ratiostypetarget` is not 0), with its name, the ratio in percent and a bar of that length;
//     `process` is drawn with a thick border;
//   - lines with a joint from the area to the first process and from each process to the next.
// `ratiostype` picks the ratio: 0 OEE (good parts over the parts the target speed allows), 1
// performance (parts made over the parts the running time allows), 2 quality (good over made);
// `planned` 1 draws the planned figures instead of the real ones. The other parameters must be
// present and are not used.
//
// Replies: 405 for another method, 400 naming the parameter for a missing or malformed one (width
// and height 0 to 100000, timestamps "YYYYMMDDhhmmss"), otherwise 200 with the script; a process
// the plant does not know is drawn as a line of text. Faults come from the service's own fault
// table under the path "drawing/path" (404, 500, a delay for slow or never).
class DrawingService {
public:
    explicit DrawingService(PlantModel& model);

    // The path, without leading slashes.
    static QString Path();
    // Whether a request path (leading slashes removed) is the drawing service's.
    static bool Serves(const QString& relativePath);

    // `target` is the request target as received: path, then "?" and the query.
    PlantReply Answer(const QString& method, const QByteArray& target, Date now);

private:
    QString Script(const PlantQuery& query, Date now) const;

    PlantModel& model_;
};

} // namespace k7::plant
