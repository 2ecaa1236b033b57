#pragma once

#include "core/Variant.h"
#include "json/JsonArena_p.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <string>
#include <vector>

namespace k7 {

class JsonBagData;

// Writes a bag and everything below it as JSON text, in the root's layout.
//
// The tree is walked twice with an explicit stack (so its depth is limited by memory only): the
// first walk counts the exact length of the text, the second writes it as UTF-16 into one QString
// allocated at that length. Fractional numbers, Currency and Decimal values are converted once,
// in the first walk, into a side buffer that the second walk copies from.
//
// Why not one walk into a growing buffer: with glibc's default settings, a buffer grown by
// doubling up to a few megabytes leaves, once the text is freed, about twice its size free at the
// top of the heap, which is what glibc's trim threshold settles on after the first large free; so
// every large write handed its pages back to the kernel and faulted them in again, which cost
// three times the writing itself on a 5 MB reply. One block of the final size is taken from, and
// given back to, the heap call after call without touching the kernel.
class JsonWriter {
public:
    static QString Write(const JsonBagData& root);

private:
    // An object or array being written: a bag's entries, or the nodes of a document's container.
    struct Frame {
        const JsonBagData* bag; // nullptr for a container
        const JsonArena* arena;
        const JsonNode* container;
        size_t next;
        int level;
        bool started; // an item has been written (the next one needs a comma)
    };

    explicit JsonWriter(const JsonBagData& root);

    // kMeasure: count into size_; otherwise write at at_.
    template <bool kMeasure> void Walk(const JsonBagData& root);
    static bool IsArray(const Frame& frame);
    // A small container of a document that holds no container: the bulk of a table reply
    // ({"value": n}), written in one go rather than through the stack.
    static constexpr uint32_t kMaxFlat = 32;
    static bool IsFlat(const JsonNode& container);
    template <bool kMeasure> void WriteFlat(const JsonArena& arena, const JsonNode& container, int level);
    // The frame that writes `bag`'s items at `level`.
    static Frame FrameOf(const JsonBagData& bag, int level);
    // Writes the opening bracket; an empty object or array is closed at once and false returned.
    template <bool kMeasure> bool Open(const Frame& frame);
    // Writes the items of `frame` from frame.next on, until the end or a child that has items;
    // returns that child's frame, or one whose bag and container are both nullptr.
    template <bool kMeasure> Frame WriteBagItems(Frame& frame);
    template <bool kMeasure> Frame WriteNodeItems(Frame& frame);
    template <bool kMeasure> void WriteSimple(const QString* name, const Variant& value);
    // A node of a kind only edits store, written as the value it was given. Kept out of line, so
    // that writing the parser's kinds pays nothing for these.
    template <bool kMeasure>
    [[gnu::noinline]] void WriteEditedNode(const JsonArena& arena, const QString* name, const JsonNode& node);
    template <bool kMeasure>
    void WriteNode(const JsonArena& arena, const QString* name, const JsonNode& node);
    [[noreturn]] static void FailUnsupported(const QString* name, const Variant& value);

    template <bool kMeasure> void WriteQuoted(QStringView text);
    template <bool kMeasure> void WriteName(const QString& name);
    template <bool kMeasure> void WriteInteger(int64_t value);
    template <bool kMeasure, class Floating> void WriteFloating(Floating value, const QString* name);
    // Text converted in the measuring walk (fractional numbers, Currency, Decimal): stored in
    // side_ there, copied from it when writing.
    template <bool kMeasure, class Convert> void WriteConverted(Convert convert);
    template <bool kMeasure> void WriteLatin1(const char* text, qsizetype length);
    template <bool kMeasure> void WriteChar(char16_t c) {
        if constexpr (kMeasure)
            ++size_;
        else
            *at_++ = c;
    }
    template <bool kMeasure> void WriteLineBreak(int level);

    const bool whitespace_;
    const int indent_;
    const QString newLine_;
    std::vector<Frame> stack_; // the ancestors of the bag being written
    size_t depth_ = 0;
    qsizetype size_ = 0;
    bool escapes_ = false; // some text in the document needs an escape
    // The escapes of recently measured names, by where their characters are.
    struct NameSeen {
        const char16_t* data = nullptr;
        qsizetype size = 0;
        qsizetype growth = 0;
    };
    NameSeen namesSeen_[64];
    char16_t* at_ = nullptr;
    // Converted texts in document order, each preceded by its length.
    std::u16string side_;
    const char16_t* sideAt_ = nullptr;
};

} // namespace k7
