#pragma once

#include <QString>

namespace k7 {

// The one spelling of a property's name. A control's line for the property declares it as
// `<Name>Property`, and the property table, the getter, the setter and the control's identity all
// name the property by it: a name misspelt there does not compile.
// Its construction is explicit, so a row or an identity member cannot be named by a stray string.
struct PropertyKey {
    const char* Name;
    bool ReadOnly = false;

    constexpr explicit PropertyKey(const char* name, bool readOnly = false)
        : Name(name), ReadOnly(readOnly) {}
    QString Text() const { return QString::fromLatin1(Name); }
    operator QString() const { return Text(); }
};

} // namespace k7
