// Which recorded reply answers a preview's request: the integrator may set a process, dates or
// options on the form the recording never saw, and the preview should still show figures of the
// right kind, and of the right process where there are any.
#include "SampleReplies.h"

#include <gtest/gtest.h>

using k7::RecordedReply;
using k7::SampleReplies;

namespace {

const RecordedReply kRecorded[] = {
    {"GET", "/processes/prod?process=P100&date=20261207", 200, "", "p100 today"},
    {"GET", "/processes/prod?process=P200&date=20261207", 200, "", "p200 today"},
    {"GET", "/processes/status", 200, "", "status"},
    {"POST", "/processes/scrap?process=P100", 200, "", "booked"},
};

TEST(SampleReplies, AnswerTheVeryRequestElseTheSameProcessElseTheSamePath) {
    struct Case {
        const char* Why;
        const char* Method;
        const char* Target;
        const char* Body; // nullptr: no reply
    } const cases[] = {
        {"the very request", "GET", "/processes/prod?process=P200&date=20261207", "p200 today"},
        {"other dates, same process", "GET", "/processes/prod?process=P200&date=20250101", "p200 today"},
        {"a process never recorded", "GET", "/processes/prod?process=P900&date=20261207", "p100 today"},
        {"no query at all", "GET", "/processes/status", "status"},
        {"a query the recording lacked", "GET", "/processes/status?process=P100", "status"},
        {"a path never asked", "GET", "/processes/stops?process=P100", nullptr},
        {"a prefix of a recorded path", "GET", "/processes/pro?process=P100", nullptr},
        {"the method decides", "GET", "/processes/scrap?process=P100", nullptr},
        {"a write", "POST", "/processes/scrap?process=P100&quantity=3", "booked"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Why);
        const RecordedReply* reply = SampleReplies::Find(kRecorded, QString::fromLatin1(c.Method), c.Target);
        if (c.Body == nullptr)
            EXPECT_EQ(reply, nullptr) << reply->Body;
        else
            EXPECT_STREQ(reply != nullptr ? reply->Body : "(none)", c.Body);
    }
}

} // namespace
