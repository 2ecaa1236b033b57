#pragma once

#include "core/Variant.h"

#include <QString>
#include <QStringView>

#include <cstdint>
#include <vector>

namespace k7 {

class JsonBagData;

// Writes a bag and everything below it as JSON text, in the root's layout. The tree is walked
// with an explicit stack, so its depth is limited by memory only; the text is built in one buffer
// that grows geometrically and is cut once at the end.
class JsonWriter {
public:
    static QString Write(const JsonBagData& root);

private:
    struct Frame {
        const JsonBagData* bag;
        size_t next;
        int level;
    };

    explicit JsonWriter(const JsonBagData& root);

    void Run(const JsonBagData& root);
    // Writes the opening bracket; an empty bag is closed at once and false returned.
    bool Open(const JsonBagData& bag, bool named, int level);
    void Close(const Frame& frame);
    void WriteSimple(const QString* name, const Variant& value, int level);
    [[noreturn]] static void FailUnsupported(const QString* name, const Variant& value);

    void AppendQuoted(QStringView text);
    void AppendEscape(char16_t c);
    void AppendIndent(int level);
    void AppendLatin1(const char* text, qsizetype length);
    void Append(QStringView text);
    void Append(char16_t c) {
        Reserve(1);
        data_[size_++] = c;
    }
    template <class Floating> void AppendFloating(Floating value, const QString* name);
    void AppendCurrency(int64_t scaled);
    void Reserve(qsizetype extra) {
        if (size_ + extra > capacity_)
            Grow(extra);
    }
    void Grow(qsizetype extra);

    const bool whitespace_;
    const int indent_;
    const QString newLine_;
    std::vector<Frame> stack_;
    QString out_;
    char16_t* data_ = nullptr;
    qsizetype size_ = 0;
    qsizetype capacity_ = 0;
};

} // namespace k7
