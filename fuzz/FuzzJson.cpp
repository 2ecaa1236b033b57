// Feeds arbitrary bytes to the JSON parser as the controls would (UTF-8 decoded text). Nothing may
// crash, hang or leak; whatever parses must write back to text that parses to the same document:
// parse -> write -> parse -> write gives the same text twice, in both number modes, compact and
// indented, and a deep copy writes the same text as its source.

#include "core/RuntimeError.h"
#include "json/JsonBag.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void Fail(const char* what, const QString& first, const QString& second) {
    std::fprintf(stderr, "fuzz_json: %s\n--- first\n%s\n--- second\n%s\n", what, first.toUtf8().constData(),
                 second.toUtf8().constData());
    std::abort();
}

QString WriteAfterParsing(const QString& text, bool decimalMode, const QString& source) {
    auto bag = k7::JsonBag::Create();
    bag->SetDecimalMode(decimalMode);
    try {
        bag->SetJSON(text);
    } catch (const k7::RuntimeError& error) {
        Fail(error.what(), source, text);
    }
    return bag->JSON();
}

void Check(const QString& text, bool decimalMode) {
    auto bag = k7::JsonBag::Create();
    bag->SetDecimalMode(decimalMode);
    try {
        bag->SetJSON(text);
    } catch (const k7::RuntimeError&) {
        return; // refusing the text is fine; crashing or hanging is not
    }
    const QString first = bag->JSON();
    const QString second = WriteAfterParsing(first, decimalMode, text);
    if (first != second)
        Fail("written text changed after a second round", first, second);

    bag->SetWhitespace(true);
    const QString pretty = bag->JSON();
    const QString fromPretty = WriteAfterParsing(pretty, decimalMode, text);
    if (fromPretty != first)
        Fail("indented text reads back differently", first, fromPretty);

    auto copy = bag->Clone();
    copy->SetWhitespace(false);
    if (copy->JSON() != first)
        Fail("clone writes differently", first, copy->JSON());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
    Check(text, false);
    Check(text, true);
    return 0;
}
