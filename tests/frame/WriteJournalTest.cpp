// The journal's part in forwarding writes: which answers settle a write for good, and a journal
// that cannot take a change says why until it takes one again.
#include "support/Checks.h"
#include "support/JournalChecks.h"

#include "frame/requests/ServiceExchange_p.h"
#include "frame/requests/WriteJournal.h"
#include "frame/requests/WriteSender_p.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using k7::Judgement;
using k7::WriteJournal;
using k7::WriteOutcome;
using k7::WriteSender;

// One answer to a scrap booking (judged by "message" is "Success"), what it makes of the write,
// and whether a resend under the same key could still change that.
struct AnswerRow {
    const char* Case;
    int Status;
    QString Body;
    const char* Verdict;
    bool Settled;
    friend void PrintTo(const AnswerRow& row, std::ostream* out) { *out << row.Case; }
};

class Answers : public ::testing::TestWithParam<AnswerRow> {};

TEST_P(Answers, SettleTheWriteOrLeaveItForAResendAndTheJournalKeepsWhich) {
    const AnswerRow& row = GetParam();
    QTemporaryDir directory;
    WriteJournal journal(directory.filePath("writes.db"));
    WriteOutcome write = WriteSender::NewWrite(k7::HttpVerb::Post, "http://127.0.0.1:9/results?process=P1");
    write.JournalId = journal.Begin(write, Judgement::MessageIsSuccess);
    k7::ServiceReply sent;
    sent.Status = row.Status;
    sent.Text = row.Body;
    WriteSender::Judge(write, sent, Judgement::MessageIsSuccess);
    journal.Finish(write.JournalId, write);

    EXPECT_EQ(WriteOutcome::VerdictName(write.Verdict), row.Verdict);
    EXPECT_EQ(WriteSender::SettledByAnswer(write.Verdict, write.Status, write.NotJson), row.Settled);
    const WriteJournal::Entry entry = *journal.Find(write.JournalId);
    EXPECT_EQ(entry.State, row.Verdict);
    EXPECT_EQ(entry.AwaitsResend(), !row.Settled) << "the entry as read back is judged alike";
}

// A booking, no answer, a 5xx page and a non-JSON 200 page are rows of the forwarder's resend
// table; here the statuses that overrule the page: a request time-out is resent though its page
// is JSON, and a client error settles the write though its page is none.
INSTANTIATE_TEST_SUITE_P(
    WriteJournal, Answers,
    ::testing::Values(AnswerRow{"RequestTimeout", 408, "{}", "refused", false},
                      AnswerRow{"NotFoundPage", 404, "<html>no such path</html>", "refused", true}),
    [](const ::testing::TestParamInfo<AnswerRow>& info) { return std::string(info.param.Case); });

// A journal that fails to take an entry (before the send) or an outcome (after it): the write is
// not recorded, the reason stays while reads go on working, and the next change written clears it.
TEST(WriteJournalFailure, IsKeptUntilAChangeIsWrittenAgain) {
    for (const char* when : {"INSERT", "UPDATE"}) {
        SCOPED_TRACE(when);
        QTemporaryDir directory;
        const QString file = directory.filePath("writes.db");
        WriteJournal journal(file);
        const qint64 earlier =
            journal.Begin(WriteSender::NewWrite(k7::HttpVerb::Post, "http://h/a"), Judgement::StatusIsZero);
        k7::test::RefuseJournalChanges(file, when);

        WriteOutcome write = WriteSender::NewWrite(k7::HttpVerb::Post, "http://h/b");
        try {
            write.JournalId = journal.Begin(write, Judgement::StatusIsZero);
            journal.Finish(write.JournalId, write);
            ADD_FAILURE() << "the change went through";
        } catch (const k7::RuntimeError& error) {
            EXPECT_TRUE(error.FailureText().contains(file)) << error.FailureText().toStdString();
        }
        EXPECT_FALSE(journal.Recorded(write));
        EXPECT_TRUE(journal.LastFailure().contains("disk full")) << journal.LastFailure().toStdString();
        EXPECT_GE(journal.Entries().size(), 1u);
        EXPECT_TRUE(journal.LastFailure().contains("disk full")) << "a read does not clear it";

        k7::test::AllowJournalChanges(file, when);
        journal.Dismiss(earlier);
        EXPECT_EQ(journal.LastFailure(), "");
        WriteOutcome next = WriteSender::NewWrite(k7::HttpVerb::Post, "http://h/c");
        next.JournalId = journal.Begin(next, Judgement::StatusIsZero);
        EXPECT_TRUE(journal.Recorded(next));
    }
}

} // namespace
