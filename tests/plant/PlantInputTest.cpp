#include "plant/PlantOptions.h"
#include "plant/PlantQuery.h"

#include "service/Common.h"

#include <gtest/gtest.h>

namespace k7::plant {
namespace {

struct QueryRow {
    const char* query;
    const char* name;
    char kind;          // 't' text, 'w' whole number 0..100, 'd' timestamp
    const char* value;  // expected text, number or "YYYYMMDDhhmmss"; nullptr: Invalid
    const char* reason; // start of the Invalid text
};

class QueryTest : public ::testing::TestWithParam<QueryRow> {};

TEST_P(QueryTest, ReadsStrictlyAndSaysWhy) {
    const QueryRow& row = GetParam();
    try {
        const PlantQuery query(row.query);
        QString got;
        if (row.kind == 't')
            got = query.Text(row.name);
        else if (row.kind == 'w')
            got = QString::number(query.Whole(row.name, 0, 100));
        else
            got = Common::FormatYYYYMMDDhhmmss(query.Timestamp(row.name));
        ASSERT_NE(row.value, nullptr) << row.query << " gave " << got.toStdString();
        EXPECT_EQ(got.toStdString(), row.value);
    } catch (const PlantQuery::Invalid& invalid) {
        ASSERT_EQ(row.value, nullptr) << row.query << ": " << invalid.what();
        EXPECT_EQ(std::string(invalid.what()).rfind(row.reason, 0), 0u) << invalid.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, QueryTest,
    ::testing::Values(
        QueryRow{"company=A+B%20C&session=", "company", 't', "A+B C", ""},
        QueryRow{"company=A+B%20C&session=", "session", 't', "", ""},
        QueryRow{"flag&x=1", "flag", 't', "", ""},
        QueryRow{"company=A", "session", 't', nullptr, "Missing query parameter 'session'"},
        QueryRow{"a=1&a=2", "a", 't', nullptr, "Query parameter 'a' is given twice"},
        QueryRow{"hourly=12", "hourly", 'w', "12", ""},
        QueryRow{"hourly=-1", "hourly", 'w', nullptr, "Query parameter 'hourly' must lie between 0 and"},
        QueryRow{"hourly=2.5", "hourly", 'w', nullptr, "Query parameter 'hourly' must be a whole number"},
        QueryRow{"hourly=", "hourly", 'w', nullptr, "Query parameter 'hourly' must be a whole number"},
        QueryRow{"d=20240229", "d", 'd', "20240229000000", ""},
        QueryRow{"d=20240314235959", "d", 'd', "20240314235959", ""},
        QueryRow{"d=20230229", "d", 'd', nullptr, "Query parameter 'd' must be a timestamp"},
        QueryRow{"d=20240314240000", "d", 'd', nullptr, "Query parameter 'd' must be a timestamp"},
        QueryRow{"d=202403141200", "d", 'd', nullptr, "Query parameter 'd' must be a timestamp"},
        QueryRow{"d=2024031412000x", "d", 'd', nullptr, "Query parameter 'd' must be a timestamp"},
        QueryRow{"d=00290101", "d", 'd', nullptr, "Query parameter 'd' must be a timestamp"}));

TEST(PlantOptions, CombinesFaultFlagsPerPath) {
    const PlantOptions options =
        PlantOptions::Parse({"--port", "8123", "--seed=99", "--fault", "/processes/prod:503:Down: for now",
                             "--delay", "processes/prod:250", "--raw", "statuses/top:{\\\"a\\\":1,\\r\\n}",
                             "--drop", "*", "--fault=results:500"});
    EXPECT_EQ(options.Port, 8123);
    EXPECT_EQ(options.Seed, 99u);
    EXPECT_FALSE(options.Help);
    ASSERT_EQ(options.Faults.size(), 4u);
    const Fault& prod = options.Faults.at("processes/prod");
    EXPECT_EQ(prod.Status, 503);
    EXPECT_EQ(prod.Reason, "Down: for now");
    EXPECT_EQ(prod.DelayMs, 250);
    EXPECT_EQ(options.Faults.at("statuses/top").RawBody, QString("{\"a\":1,\r\n}"));
    EXPECT_TRUE(options.Faults.at("*").DropConnection);
    EXPECT_EQ(options.Faults.at("results").Reason, "");
    EXPECT_TRUE(PlantOptions::Parse({"-h"}).Help);
}

class BadOptionsTest : public ::testing::TestWithParam<std::pair<QStringList, const char*>> {};

TEST_P(BadOptionsTest, NamesTheOffendingArgument) {
    try {
        PlantOptions::Parse(GetParam().first);
        FAIL() << "accepted";
    } catch (const std::invalid_argument& error) {
        EXPECT_STREQ(error.what(), GetParam().second);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, BadOptionsTest,
    ::testing::Values(std::make_pair(QStringList{"--port"}, "--port needs a value"),
                      std::make_pair(QStringList{"--port", "70000"},
                                     "--port must be a whole number from 0 to 65535, not '70000'"),
                      std::make_pair(QStringList{"--fault", "processes/prod"},
                                     "--fault expects PATH:VALUE, not 'processes/prod'"),
                      std::make_pair(QStringList{"--fault", "results:abc"},
                                     "--fault STATUS must be a whole number from 100 to 599, not 'abc'"),
                      std::make_pair(QStringList{"--drop", "/"}, "--drop expects PATH, not '/'"),
                      std::make_pair(QStringList{"--listen"}, "unknown argument '--listen'")));

} // namespace
} // namespace k7::plant
