#pragma once

#include <QByteArray>
#include <QString>

namespace k7::plant {

// One HTTP answer of the plant before it goes on the wire.
struct PlantReply {
    int Status = 200;
    QString Reason;  // reason phrase of the status line; empty: the standard one for Status
    QByteArray Body; // UTF-8 JSON as a rule (a fault may put anything here)
};

} // namespace k7::plant
