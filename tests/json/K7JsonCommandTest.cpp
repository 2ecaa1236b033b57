#include <QProcess>
#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// `k7 json` run as a user runs it: arguments, standard input, output and exit status.
struct CommandRow {
    const char* label;
    QStringList args;
    QByteArray input;
    QByteArray output;
    int exitCode;
};

void PrintTo(const CommandRow& row, std::ostream* out) {
    *out << row.label;
}

class K7Json : public ::testing::TestWithParam<CommandRow> {};

TEST_P(K7Json, PrintsTheDocumentOrTheFailureText) {
    QProcess process;
    process.start(QStringLiteral(K7_BINARY), QStringList{QStringLiteral("json")} + GetParam().args);
    ASSERT_TRUE(process.waitForStarted());
    process.write(GetParam().input);
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), GetParam().exitCode) << process.readAllStandardError().toStdString();
    if (GetParam().exitCode != 2) {
        EXPECT_EQ(process.readAllStandardOutput(), GetParam().output);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, K7Json,
    ::testing::Values(
        CommandRow{"compact",
                   {},
                   "{ \"a\" : [1, 2.50], \"t\":\"\xC3\xA9\" }",
                   "{\"a\":[1,2.5],\"t\":\"\xC3\xA9\"}\n",
                   0},
        CommandRow{"stdin dash, pretty",
                   {"--pretty", "-"},
                   "{\"a\":[1]}",
                   "{\r\n    \"a\":[\r\n        1\r\n    ]\r\n}\n",
                   0},
        CommandRow{"decimal",
                   {"--decimal"},
                   "[0.1000000000000000000000000001]",
                   "[0.1000000000000000000000000001]\n",
                   0},
        CommandRow{"double", {}, "[0.1000000000000000000000000001]", "[0.1]\n", 0},
        CommandRow{"html reply", {}, "<html>", "-2147182176-Expected either { or [ at character 1\n", 1},
        CommandRow{"truncated", {}, "[true", "5-Invalid procedure call or argument\n", 1},
        CommandRow{"unknown option", {"--fast"}, "[]", "", 2},
        CommandRow{"two files", {"a", "b"}, "[]", "", 2},
        CommandRow{"missing file", {"/nonexistent/reply.json"}, "", "", 2}));

TEST(K7JsonFile, ReadsTheNamedFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile file(dir.filePath(QStringLiteral("reply.json")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("{\"status\":0,\r\n\"message\":\"Success\"}");
    file.close();
    QProcess process;
    process.start(QStringLiteral(K7_BINARY), {QStringLiteral("json"), file.fileName()});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(process.readAllStandardOutput(), QByteArray("{\"status\":0,\"message\":\"Success\"}\n"));
}

} // namespace
