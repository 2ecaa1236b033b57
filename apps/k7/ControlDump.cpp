#include "ControlDump.h"

#include "PropertyBinding.h"

#include "controls/frame/Colors.h"
#include "controls/frame/CommandButton.h"
#include "controls/frame/ControlBase.h"
#include "controls/frame/FilledRect.h"
#include "controls/frame/Label.h"
#include "controls/frame/Line.h"
#include "controls/frame/Timer.h"
#include "json/JsonBag.h"

namespace k7::cli {

namespace {

using Bag = std::shared_ptr<JsonBag>;

void Put(const Bag& bag, const char* name, const Variant& value) {
    bag->SetItem(Variant(QString::fromLatin1(name)), value);
}

Variant Color(uint32_t value) {
    return Variant(Colors::ToHexText(value));
}

QString AlignmentText(TextAlign align) {
    switch (align) {
    case TextAlign::Left:
        return QStringLiteral("left");
    case TextAlign::Center:
        return QStringLiteral("center");
    case TextAlign::Right:
        return QStringLiteral("right");
    }
    return QString();
}

void PutGeometry(const Bag& bag, float left, float top, float width, float height) {
    Put(bag, "left", Variant(left));
    Put(bag, "top", Variant(top));
    Put(bag, "width", Variant(width));
    Put(bag, "height", Variant(height));
}

void PutFont(const Bag& bag, const FontStyle& font) {
    const Bag out = bag->AddNewObject(Variant(QStringLiteral("font")));
    Put(out, "name", Variant(font.Name));
    Put(out, "size", Variant(font.Size));
    Put(out, "bold", Variant(font.Bold));
    Put(out, "italic", Variant(font.Italic));
    Put(out, "underline", Variant(font.Underline));
}

void DescribeLabel(const Bag& out, const Label& label) {
    PutGeometry(out, label.Left(), label.Top(), label.Width(), label.Height());
    Put(out, "caption", Variant(label.Caption()));
    Put(out, "tag", Variant(label.Tag()));
    Put(out, "foreColor", Color(label.ForeColor()));
    Put(out, "backColor", Color(label.BackColor()));
    Put(out, "backStyle",
        Variant(QString::fromLatin1(label.BackStyle() == BackStyle::Opaque ? "opaque" : "transparent")));
    Put(out, "borderStyle",
        Variant(QString::fromLatin1(label.BorderStyle() == BorderStyle::Single ? "single" : "none")));
    Put(out, "borderColor", Color(label.BorderColor()));
    PutFont(out, label.Font());
    Put(out, "alignment", Variant(AlignmentText(label.TextAlign())));
    Put(out, "visible", Variant(label.Visible()));
}

void DescribeButton(const Bag& out, const CommandButton& button) {
    PutGeometry(out, button.Left(), button.Top(), button.Width(), button.Height());
    Put(out, "caption", Variant(button.Caption()));
    Put(out, "tag", Variant(button.Tag()));
    Put(out, "foreColor", Color(button.ForeColor()));
    Put(out, "backColor", Color(button.BackColor()));
    PutFont(out, button.Font());
    Put(out, "alignment", Variant(QStringLiteral("center")));
    Put(out, "visible", Variant(button.Visible()));
}

void DescribeRect(const Bag& out, const FilledRect& rect) {
    PutGeometry(out, rect.Left(), rect.Top(), rect.Width(), rect.Height());
    Put(out, "fillColor", Color(rect.FillColor()));
    Put(out, "fillStyle",
        Variant(QString::fromLatin1(rect.FillStyle() == FillStyle::Solid ? "solid" : "transparent")));
    Put(out, "backColor", Color(rect.BackColor()));
    Put(out, "backStyle",
        Variant(QString::fromLatin1(rect.BackStyle() == BackStyle::Opaque ? "opaque" : "transparent")));
    Put(out, "visible", Variant(rect.Visible()));
}

void DescribeLine(const Bag& out, const Line& line) {
    Put(out, "x1", Variant(line.X1()));
    Put(out, "y1", Variant(line.Y1()));
    Put(out, "x2", Variant(line.X2()));
    Put(out, "y2", Variant(line.Y2()));
    Put(out, "borderColor", Color(line.BorderColor()));
    Put(out, "borderWidth", Variant(int32_t(line.BorderWidth())));
    Put(out, "visible", Variant(line.Visible()));
}

void DescribeChild(const Bag& out, const ControlChild& child) {
    Put(out, "name", Variant(child.Name()));
    Put(out, "index", child.Index() >= 0 ? Variant(int32_t(child.Index())) : Variant::Null());
    Put(out, "kind", Variant(ControlChild::KindName(child.Kind())));
    switch (child.Kind()) {
    case ChildKind::Label:
        DescribeLabel(out, dynamic_cast<const Label&>(child));
        break;
    case ChildKind::CommandButton:
        DescribeButton(out, dynamic_cast<const CommandButton&>(child));
        break;
    case ChildKind::FilledRect:
        DescribeRect(out, dynamic_cast<const FilledRect&>(child));
        break;
    case ChildKind::Line:
        DescribeLine(out, dynamic_cast<const Line&>(child));
        break;
    case ChildKind::Timer: {
        const auto& timer = dynamic_cast<const Timer&>(child);
        Put(out, "interval", Variant(int32_t(timer.Interval())));
        Put(out, "enabled", Variant(timer.Enabled()));
        break;
    }
    }
}

void DescribeIdentity(const Bag& out, const ComponentIdentity& identity) {
    const TypeLibraryIdentity& library = TypeLibraryIdentity::OrvelK7Controls();
    const Bag lib = out->AddNewObject(Variant(QStringLiteral("library")));
    Put(lib, "name", Variant(library.Name));
    Put(lib, "libid", Variant(library.LibId));
    Put(lib, "version", Variant(library.Version));
    Put(lib, "helpString", Variant(library.HelpString));
    Put(out, "classId", Variant(identity.ClassId));
    Put(out, "defaultInterface", Variant(identity.DefaultInterface));
    Put(out, "defaultInterfaceId", Variant(identity.DefaultInterfaceId));
    Put(out, "eventInterface", Variant(identity.EventInterface));
    Put(out, "eventInterfaceId", Variant(identity.EventInterfaceId));
    Put(out, "event", Variant(identity.Event));
    const Bag members = out->AddNewArray(Variant(QStringLiteral("members")));
    for (const DispatchMember& member : identity.Members) {
        const Bag entry = members->AddNewObject();
        Put(entry, "name", Variant(member.Name));
        Put(entry, "kind", Variant(member.Kind));
        Put(entry, "dispid",
            Variant(QStringLiteral("0x") +
                    QString::number(member.DispatchId, 16).toUpper().rightJustified(8, QLatin1Char('0'))));
    }
}

} // namespace

std::shared_ptr<JsonBag> ControlDump::Build(const ControlBase& control) {
    const Bag document = JsonBag::Create();
    Put(document, "control", Variant(control.Identity().ControlName));
    Put(document, "width", Variant(control.Width()));
    Put(document, "height", Variant(control.Height()));
    Put(document, "Error", Variant(control.Error()));

    const Bag properties = document->AddNewObject(Variant(QStringLiteral("properties")));
    for (const QMetaProperty& property : PropertyBinding::PublicProperties(control))
        Put(properties, property.name(), PropertyBinding::ToVariant(property.read(&control)));

    const Bag children = document->AddNewArray(Variant(QStringLiteral("children")));
    for (const ControlChild* child : control.Children())
        DescribeChild(children->AddNewObject(), *child);

    DescribeIdentity(document->AddNewObject(Variant(QStringLiteral("identity"))), control.Identity());
    return document;
}

} // namespace k7::cli
