#pragma once

#include <QString>

namespace k7::demo {

// The company and session every demo screen and fleet logs in with when none is given: the
// simulated plant answers any, and these read as what they are in its logs and the screenshots.
struct DemoConnection {
    static QString Company() { return QStringLiteral("ORV"); }
    static QString Session() { return QStringLiteral("DEMO"); }
};

} // namespace k7::demo
