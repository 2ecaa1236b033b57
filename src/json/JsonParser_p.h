#pragma once

#include "json/JsonArena_p.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <vector>

namespace k7 {

class JsonBagData;

// Reads JSON text into an empty bag: recursive descent over one cursor, scanning the UTF-16 code
// units in place, building a JsonArena that the bag then reads.
//
// The items of the objects and arrays being read are gathered on one stack shared by all levels
// and copied into the arena when their container closes, so each container is one run of nodes
// that is written once. Member names go through the arena's JsonNameTable: a name that repeats
// (every row of a table has the same ones) is hashed once per occurrence and never allocated
// again, and a name repeated within one object is found by comparing numbers. The name that the
// object read last at the same depth had at the same position is tried first, by comparing the
// text alone. On failure the
// document keeps the items of its own that were complete.
//
// CR and LF are removed from the text before anything else; every position in a message counts
// code units of that reduced text, from 1.
class JsonParser {
public:
    static constexpr int kMaxDepth = 1000;

    static void Parse(QStringView text, JsonBagData& root);

private:
    JsonParser(QStringView text, JsonArena& arena, bool decimalMode);

    // Reads the document into the arena's root node; false when the text holds no { or [.
    void ParseDocument();
    JsonNode ParseObject(int depth);
    JsonNode ParseArray(int depth);
    JsonNode ParseValue(int depth);
    JsonNode ParseLiteral();
    JsonNode ReadString();
    // Reads the name of the member at `position` of an object at `depth`.
    uint32_t ReadName(int depth, size_t position);
    // Copies the items gathered since `base` into the arena as one container. The document's own
    // items (`base` 0, nothing above them) keep the memory they were gathered in.
    JsonNode CloseContainer(JsonNode::Kind kind, size_t base, bool isDocument);
    // True when two of the pending items from `base` on share a name.
    bool HasRepeatedName(size_t base);
    // Keeps, of each name from `base` on, only the last member, where it stands.
    void KeepLastOfEachName(size_t base);
    // Reads the rest of a string that holds an escape into escaped_.
    void ReadEscapedString(qsizetype start);
    char16_t ReadEscape();
    JsonNode ReadNumber();
    JsonNode ConvertNumber(qsizetype start);
    void SkipWhitespace() {
        // CR and LF are gone by now, so only space and TAB can separate tokens.
        while (cursor_ < length_ && (text_[cursor_] == u' ' || text_[cursor_] == u'\t'))
            ++cursor_;
    }

    // Raises `number` with "`prefix`N", N being the 1-based position.
    [[noreturn]] static void FailAt(int32_t number, const char* prefix, qsizetype position);
    [[noreturn]] static void FailAtEnd();

    const char16_t* text_;
    qsizetype length_;
    qsizetype cursor_ = 0; // 0-based; messages report cursor_ + 1
    JsonArena& arena_;
    const bool decimalMode_;
    JsonNode::Kind rootKind_ = JsonNode::Null; // Object or Array once the document has opened
    size_t rootItems_ = 0;                     // pending items that are complete items of the document
    std::string number_;                       // the characters of the number being read, reused
    std::u16string escaped_;                   // the string being read, when it holds an escape
    JsonNodeRun pending_;                      // items of the containers being read, innermost last
    // By depth, the names of the members of the object read last at that depth, by position: the
    // rows of a table name their members alike, so the name to expect is checked first.
    std::vector<std::vector<uint32_t>> shapes_;
    // By name number: the round of HasRepeatedName that saw the name last.
    std::vector<uint32_t> lastSeen_;
    uint32_t round_ = 0;
};

} // namespace k7
