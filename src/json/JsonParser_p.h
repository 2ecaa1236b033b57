#pragma once

#include "core/Variant.h"
#include "json/JsonBagPool_p.h"
#include "json/JsonNameTable_p.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace k7 {

class JsonBagData;

// Reads JSON text into an empty bag: recursive descent over one cursor, scanning the UTF-16 code
// units in place. Children are created with the root's settings and stored in their parent only
// once they are complete, so a failure leaves the parent holding just its finished items.
//
// The items of a child are gathered on one stack shared by all levels and moved into the child
// when it closes, so each child's list is allocated once at its final size. Member names go
// through a JsonNameTable: a name that repeats (every row of a table has the same ones) is
// hashed once, and a name repeated within one object is found without comparing texts. The
// children's names do not even hold a reference to the table's strings (no reference counting
// per member): they point into the table, which the slabs of the children's memory keep alive
// (JsonBagPool). A name that leaves its bag is copied (JsonBagData::DetachedName).
//
// CR and LF are removed from the text before anything else; every position in a message counts
// code units of that reduced text, from 1.
class JsonParser {
public:
    static constexpr int kMaxDepth = 1000;

    static void Parse(QStringView text, JsonBagData& root);

private:
    // An item of a child that is still open.
    struct PendingItem {
        QString name;
        Variant value;
        uint32_t hash;
        uint32_t nameId;
    };

    JsonParser(QStringView text, const JsonBagData& root);

    void ParseDocument(JsonBagData& root);
    void ParseObject(JsonBagData& bag, int depth);
    void ParseArray(JsonBagData& bag, int depth);
    Variant ParseValue(int depth);
    Variant ParseLiteral();
    QString ReadString();
    const JsonNameTable::Name& ReadName();
    // Moves the items gathered since `base` into `bag`.
    void MoveItemsInto(JsonBagData& bag, size_t base);
    // True when two of the pending items from `base` on share a name.
    bool HasRepeatedName(size_t base);
    QString ReadEscapedString(qsizetype start);
    char16_t ReadEscape();
    Variant ReadNumber();
    Variant ConvertNumber(qsizetype start) const;
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
    const JsonBagData& root_;
    std::string number_;               // the characters of the number being read, reused
    std::vector<PendingItem> pending_; // items of the children being parsed, innermost last
    // Shared with the slabs of bags_: the names of the parsed children point into it.
    std::shared_ptr<JsonNameTable> names_;
    JsonBagPool bags_;
    // By name id: the round of HasRepeatedName that saw the name last.
    std::vector<uint32_t> lastSeen_;
    uint32_t round_ = 0;
};

} // namespace k7
