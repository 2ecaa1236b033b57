#pragma once

#include "core/Variant.h"

#include <QString>
#include <QStringView>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace k7 {

class JsonBagData;
struct JsonEntry;

// Reads JSON text into an empty bag: recursive descent over one cursor, scanning the UTF-16 code
// units in place. Children are created with the root's settings and stored in their parent only
// once they are complete, so a failure leaves the parent holding just its finished items.
//
// The items of a child are gathered on one stack shared by all levels and moved into the child
// when it closes, so each child's list is allocated once at its final size. Member names that
// repeat (every row of a table has the same ones) share one string.
//
// The text must already be free of CR and LF: every position in a message counts code units of
// that reduced text, from 1.
class JsonParser {
public:
    static constexpr int kMaxDepth = 1000;

    static void Parse(QStringView text, JsonBagData& root);

private:
    JsonParser(QStringView text, const JsonBagData& root);

    void ParseObject(JsonBagData& bag, int depth);
    void ParseArray(JsonBagData& bag, int depth);
    Variant ParseValue(int depth);
    Variant ParseLiteral();
    QString ReadString();
    QString ReadName();
    // Moves the items gathered since `base` into `bag`.
    void MoveItemsInto(JsonBagData& bag, size_t base);
    QString ReadEscapedString(qsizetype start);
    char16_t ReadEscape();
    Variant ReadNumber();
    Variant ConvertNumber(qsizetype start) const;
    void SkipWhitespace();

    // Raises `number` with "`prefix`N", N being the 1-based position.
    [[noreturn]] static void FailAt(int32_t number, const char* prefix, qsizetype position);
    [[noreturn]] static void FailAtEnd();

    const char16_t* text_;
    qsizetype length_;
    qsizetype cursor_ = 0; // 0-based; messages report cursor_ + 1
    const JsonBagData& root_;
    std::string number_;             // the characters of the number being read, reused
    std::vector<JsonEntry> pending_; // items of the children being parsed, innermost last
    std::array<QString, 64> names_;  // recently read member names, by a hash of their text
};

} // namespace k7
