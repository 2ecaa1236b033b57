// `k7 json`: a service reply read and written back, or its failure text, from standard input or
// a file.

#include "support/Checks.h"
#include "support/K7Process.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

// `k7 json` run as a user runs it: arguments, standard input (or the file named "FILE", which
// then holds the input), output and exit status; exit status 2 is a usage error.
TEST(K7Json, PrintsTheDocumentOrTheFailureText) {
    const struct {
        QStringList args;
        QByteArray input;
        QByteArray output;
        int exitCode;
    } rows[] = {{{}, "{ \"a\" : [1, 2.50], \"t\":\"\xC3\xA9\" }", "{\"a\":[1,2.5],\"t\":\"\xC3\xA9\"}\n", 0},
                {{"--pretty", "-"}, "{\"a\":[1]}", "{\r\n    \"a\":[\r\n        1\r\n    ]\r\n}\n", 0},
                {{"--decimal"}, "[0.1000000000000000000000000001]", "[0.1000000000000000000000000001]\n", 0},
                {{}, "[0.1000000000000000000000000001]", "[0.1]\n", 0},
                {{}, "<html>", "-2147182176-Expected either { or [ at character 1\n", 1},
                {{"FILE"},
                 "{\"status\":0,\r\n\"message\":\"Success\"}",
                 "{\"status\":0,\"message\":\"Success\"}\n",
                 0},
                {{"--fast"}, "[]", "", 2},
                {{"a", "b"}, "[]", "", 2},
                {{"/nonexistent/reply.json"}, "", "", 2}};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& row : rows) {
        const QString label = row.args.join(u' ') + u' ' + QString::fromUtf8(row.input);
        QStringList args = row.args;
        const bool fromFile = args.contains("FILE");
        if (fromFile)
            args.replace(args.indexOf("FILE"), k7::test::WriteFile(dir.filePath("reply.json"), row.input));
        const K7Run run = RunK7(QStringList{"json"} + args, fromFile ? QByteArray() : row.input);
        EXPECT_EQ(run.ExitCode, row.exitCode) << label.toStdString();
        if (row.exitCode != 2) {
            EXPECT_EQ(run.Out.toUtf8(), row.output) << label.toStdString();
        }
    }
}

} // namespace
