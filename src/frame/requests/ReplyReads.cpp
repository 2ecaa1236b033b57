#include "frame/requests/ReplyReads_p.h"

#include "core/RuntimeError.h"

namespace k7 {

namespace {

// Errors of the request layer that only mean "not yet": reading the status or body then leaves
// everything as it is and the next tick tries again (until the time-out).
bool IsTransient(int32_t number) {
    return number == static_cast<int32_t>(0x80072EF3u)     // handle not in the right state
           || number == static_cast<int32_t>(0x80072EE6u)  // URL scheme not recognised
           || number == static_cast<int32_t>(0x80070006u); // invalid handle
}

template <class Read> auto ReadNow(const Read& read) {
    try {
        return read();
    } catch (...) {
        const RuntimeError failure = CurrentFailure(ErrorNumber::InternalError);
        if (IsTransient(failure.Number()))
            throw ReplyNotYet{};
        throw failure;
    }
}

} // namespace

int32_t ReplyStatus(HttpRequestObject& request) {
    return ReadNow([&] { return request.Status(); });
}

QString ReplyText(HttpRequestObject& request) {
    return ReadNow([&] { return request.ResponseText(); });
}

QString ReplyReason(HttpRequestObject& request) noexcept {
    try {
        return request.StatusText();
    } catch (...) {
        return {};
    }
}

bool RunUnlessReplyNotYet(const std::function<void()>& step) {
    try {
        step();
        return true;
    } catch (const ReplyNotYet&) {
        return false;
    }
}

} // namespace k7
