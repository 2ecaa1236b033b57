#pragma once

#include <QString>

namespace k7 {

// The one spelling of a property's name. K7_PROPERTY (PropertyTable.h) declares it as
// `<Name>Property` next to the Q_PROPERTY it stringifies, and the property table, the setter and
// the control's identity all name the property by it: a name misspelt there does not compile.
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
