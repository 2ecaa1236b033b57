// What the parser shares between the bags of one document, and what it must not: member names
// are held once per document, the document is one block of memory that the bags handed out from
// it read, and objects are indexed only when first looked up. None of that may show: every bag
// stays its own, editable and alive on its own.

#include "JsonTestSupport.h"

#include <gtest/gtest.h>

#include <thread>
#include <utility>
#include <vector>

namespace k7::test {
namespace {

// A child taken out of a document lives on after the document, its siblings and its parent
// are gone, and may be released on another thread; its names and copies live on after it.
TEST(JsonBagSharing, KeptChildrenOutliveTheirDocument) {
    auto rowText = [](int doc, int row) {
        return QStringLiteral("{\"row\":%1,\"name\":\"r%2\",\"cells\":[{\"value\":%3}]}")
            .arg(row)
            .arg(doc)
            .arg(doc * 1000 + row);
    };
    std::vector<std::shared_ptr<JsonBag>> kept, copies;
    std::vector<Variant> names;
    for (int doc = 0; doc < 8; ++doc) {
        QStringList rows;
        for (int row = 0; row < 100; ++row)
            rows << rowText(doc, row);
        auto parsed = Parse(QStringLiteral("{\"data\":[%1]}").arg(rows.join(u',')));
        kept.push_back(ChildOf(parsed->Item(QStringLiteral("data")).Item(1 + doc * 7)));
        names.push_back(kept.back()->Name(2));
        copies.push_back(kept.back()->Clone());
        // The document goes here; so do the other rows.
    }
    // New documents take the memory that was given back.
    for (int i = 0; i < 8; ++i)
        Parse(QStringLiteral("[{\"a\":[{\"b\":1}]},{\"c\":2}]"));
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(kept[i]->JSON(), rowText(i, i * 7));

    std::thread([moved = std::move(kept)]() mutable { moved.clear(); }).join();
    // Names read from a bag and copies of it do not depend on the document's memory.
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(names[i], Variant(QStringLiteral("name")));
        EXPECT_EQ(copies[i]->JSON(), rowText(i, i * 7));
    }
}

} // namespace
} // namespace k7::test
