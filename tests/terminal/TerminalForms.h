#pragma once

// Forms as Designer writes them, for the terminal's tests: a screen around a few controls, saved
// in a temporary folder, so each test names only the controls and properties it is about.
#include "support/Checks.h"

#include <QSize>
#include <QString>
#include <QTemporaryDir>

namespace k7::test {

// A form around `widgets`, saved in `dir` as `name`.
inline QString WriteForm(const QTemporaryDir& dir, const QString& widgets, const QString& name = "form.ui") {
    const QString form = QStringLiteral(R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Screen</class>
 <widget class="QWidget" name="Screen">
  <property name="geometry"><rect><x>0</x><y>0</y><width>900</width><height>400</height></rect></property>
%1
 </widget>
</ui>
)");
    return WriteFile(dir.filePath(name), form.arg(widgets).toUtf8());
}

// A control of class `kind` named `name` at the height `y`, of `size`, with `properties` besides
// its geometry.
inline QString Widget(const QString& kind, const QString& name, int y, const QString& properties = {},
                      QSize size = {400, 40}) {
    return QStringLiteral(R"(<widget class="k7::%1" name="%2">
   <property name="geometry"><rect><x>10</x><y>%3</y><width>%4</width><height>%5</height></rect></property>
   %6
  </widget>)")
        .arg(kind, name)
        .arg(y)
        .arg(size.width())
        .arg(size.height())
        .arg(properties);
}

// A string property as Designer writes one the class declares.
inline QString Property(const QString& name, const QString& value) {
    return QStringLiteral(R"(<property name="%1"><string notr="true">%2</string></property>)")
        .arg(name, value);
}

// The terminal's refresh period of one control, a dynamic property.
inline QString RefreshSeconds(double seconds) {
    return QStringLiteral(R"(<property name="k7RefreshSeconds" stdset="0"><double>%1</double></property>)")
        .arg(seconds);
}

} // namespace k7::test
