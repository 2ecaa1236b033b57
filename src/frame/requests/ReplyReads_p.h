#pragma once

#include "service/HttpRequestObject.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace k7 {

// Reads of a reply from a request object a control polls (the path view's picture). The
// platform's objects raise a few errors that only mean "not yet there"; a read that meets one
// raises ReplyNotYet, and the poll that made it ends quietly and tries again on its next tick.
struct ReplyNotYet {};

// The status of the reply; ReplyNotYet, or the failure as it is.
int32_t ReplyStatus(HttpRequestObject& request);
// The body of the reply; ReplyNotYet, or the failure as it is.
QString ReplyText(HttpRequestObject& request);
// The reason phrase of the reply, or empty when the object cannot give one.
QString ReplyReason(HttpRequestObject& request) noexcept;
// Runs `step`; false when a read inside it met ReplyNotYet, true when it ran to its end.
bool RunUnlessReplyNotYet(const std::function<void()>& step);

} // namespace k7
