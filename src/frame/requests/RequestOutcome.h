#pragma once

#include "orvelk7controls_export.h"

#include <QDateTime>
#include <QMetaType>
#include <QString>

#include <cstdint>

namespace k7 {

// How the frame carries out a control's requests:
// - Blocking: the request goes out and its reply is judged and handled before the loader returns
//   (what a host that calls a control directly, `k7 show` and the tests rely on);
// - NonBlocking: the request goes out on a worker and the loader returns at once; the reply is
//   judged and handled later on the user-interface thread. A terminal that must never freeze asks
//   for this. Its rules, so that the operator can trust what is shown and pressed:
//   - one read of a control is out at a time: a read loader called meanwhile sends nothing and
//     returns false, as a timer event is not re-entered while its handler runs; only the reload a
//     write's reply starts supersedes the read out, whose reply is then dropped;
//   - a write is never held up: its prompt opens at once and it goes out at once on a transfer of
//     its own, whatever read is out;
//   - what the control shows changes only when figures arrive: what a Refresh or a handler changes
//     on the screen around the read it sends (a chart rebuilt, cells cleared) is held back and
//     shown together with the reply, before its handlers run; a later change of the same child
//     (a tick, a resize) wins over a held one.
//   What a loader returns is then always false, so a control whose Refresh or method passes its
//   loader's result on returns false too. A loader whose failure goes back to its caller's own
//   handler is still carried out before it returns: that caller waits for the text.
enum class RequestMode { Blocking, NonBlocking };

// One read a control sent (a refresh, a tick) and how it ended, for hosts that mark a control
// whose figures are stale: a control's own Error often stays empty by its rules when a refresh
// fails. Writes are reported by WriteOutcome.
struct K7_EXPORT RequestOutcome {
    QString Verb;       // "GET"
    QString Url;        // the whole address, as sent
    int32_t Status = 0; // the HTTP status of the reply; 0 when none came
    QString Message;    // the reply's "message", or the failure text when no reply came
    QDateTime Time;     // when it was sent
    bool Good = false;  // the control's own rule accepted the reply
};

} // namespace k7

Q_DECLARE_METATYPE(k7::RequestOutcome)
