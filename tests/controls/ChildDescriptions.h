#pragma once

// What a dump shows of a control's children (place, font, caption, colours, visibility), for
// tests that compare what a control shows before and after something without working it out.

#include "frame/children/ControlChild.h"
#include "frame/control/ControlBase.h"
#include "frame/control/Description.h"
#include "json/JsonBag.h"

#include <QStringList>

inline std::shared_ptr<k7::JsonBag> Described(const k7::ControlChild& child) {
    k7::Description out(k7::JsonBag::Create());
    child.Describe(out);
    return out.Bag();
}

// Every child of `control`, in creation order, as JSON text.
inline QString DescribedChildren(const k7::ControlBase& control) {
    QStringList children;
    for (const auto& child : control.Children())
        children << child->ElementName() + " " + Described(*child)->JSON();
    return children.join('\n');
}
