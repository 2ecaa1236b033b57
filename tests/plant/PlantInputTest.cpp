#include "plant/PlantOptions.h"

#include <gtest/gtest.h>

namespace k7::plant {
namespace {

TEST(PlantOptions, CombinesFaultFlagsPerPath) {
    const PlantOptions options =
        PlantOptions::Parse({"--port", "8123", "--seed=99", "--fault", "/processes/prod:503:Down: for now",
                             "--delay", "processes/prod:250", "--raw", "statuses/top:{\\\"a\\\":1,\\r\\n}",
                             "--drop", "*", "--fault=results:500", "--lose-reply", "results"});
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
    EXPECT_TRUE(options.Faults.at("results").LoseReply);
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
                      std::make_pair(QStringList{"--listen"}, "unknown argument '--listen'")));

} // namespace
} // namespace k7::plant
