// Repeats one operation on the benchmark reply a given number of times, for counting
// instructions under callgrind, which gives the same figure however loaded the machine is:
//
//   valgrind --tool=callgrind --callgrind-out-file=/dev/null count_json parse-jsonbag 200 0
//
// The cost of one operation is the difference between two runs with different counts divided
// by the difference of the counts (the set-up, generating and decoding the text, cancels out).
//
// Operations: parse-jsonbag, parse-nlohmann, parse-rapidjson, parse-qjson, write-jsonbag,
// write-nlohmann, write-rapidjson, and the walks of a parsed reply as a table reads it
// (ReplyWalks.h): walk-jsonbag, walk-nlohmann, walk-rapidjson, walk-qjson, and walk-jsonbag-built,
// the same walk of a copy (Clone), whose nested objects are bags of their own holding entries: the
// tree every document was before it became an arena. Size: 0 for the reply of twelve
// periods, 1 for the ~5 MB reply.

#include "ReplyDocument.h"
#include "ReplyWalks.h"
#include "json/JsonBag.h"

#include <QByteArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

#include <nlohmann/json.hpp>
#include <rapidjson/document.h>
#include <rapidjson/stringbuffer.h>
#include <rapidjson/writer.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: count_json OPERATION COUNT SIZE(0|1)\n");
        return 2;
    }
    const std::string bytes = k7::bench::MakeReply(std::atoi(argv[3]) == 0 ? 0 : 5'000'000);
    const QString text = QString::fromStdString(bytes);
    const QByteArray utf8 = QByteArray::fromStdString(bytes);
    auto parsedBag = k7::JsonBag::Create();
    parsedBag->SetJSON(text);
    const auto parsedNlohmann = nlohmann::ordered_json::parse(bytes);
    rapidjson::Document parsedRapid;
    parsedRapid.Parse(bytes.data(), bytes.size());
    const QJsonDocument parsedQJson = QJsonDocument::fromJson(utf8);
    const auto builtBag = parsedBag->Clone();

    size_t sink = 0;
    const std::map<std::string, std::function<void()>> operations = {
        {"parse-jsonbag",
         [&] {
             auto bag = k7::JsonBag::Create();
             bag->SetJSON(text);
             sink += size_t(bag->Count());
         }},
        {"parse-nlohmann", [&] { sink += nlohmann::ordered_json::parse(bytes).size(); }},
        {"parse-rapidjson",
         [&] {
             rapidjson::Document doc;
             doc.Parse(bytes.data(), bytes.size());
             sink += doc.MemberCount();
         }},
        {"parse-qjson", [&] { sink += size_t(QJsonDocument::fromJson(utf8).object().size()); }},
        {"write-jsonbag", [&] { sink += size_t(parsedBag->JSON().size()); }},
        {"write-nlohmann", [&] { sink += parsedNlohmann.dump().size(); }},
        {"write-rapidjson",
         [&] {
             rapidjson::StringBuffer buffer;
             rapidjson::Writer<rapidjson::StringBuffer> writer(buffer);
             parsedRapid.Accept(writer);
             sink += buffer.GetSize();
         }},
        {"walk-jsonbag", [&] { sink += size_t(k7::bench::WalkJsonBag(*parsedBag)); }},
        {"walk-jsonbag-built", [&] { sink += size_t(k7::bench::WalkJsonBag(*builtBag)); }},
        {"walk-nlohmann", [&] { sink += size_t(k7::bench::WalkNlohmannOrdered(parsedNlohmann)); }},
        {"walk-rapidjson", [&] { sink += size_t(k7::bench::WalkRapidJson(parsedRapid)); }},
        {"walk-qjson", [&] { sink += size_t(k7::bench::WalkQJsonDocument(parsedQJson)); }},
    };
    const auto operation = operations.find(argv[1]);
    if (operation == operations.end()) {
        std::fprintf(stderr, "unknown operation %s\n", argv[1]);
        return 2;
    }
    for (int i = std::atoi(argv[2]); i > 0; --i)
        operation->second();
    std::printf("%zu\n", sink);
    return 0;
}
