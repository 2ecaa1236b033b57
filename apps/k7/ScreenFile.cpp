#include "ScreenFile.h"

#include "HostFile.h"

#include "core/RuntimeError.h"
#include "json/JsonBag.h"

#include <QFile>

#include <stdexcept>

namespace k7::cli {

namespace {

[[noreturn]] void Fail(const QString& message) {
    throw std::runtime_error(message.toStdString());
}

std::shared_ptr<JsonBag> Member(const JsonBag& object, const char* name, const QString& where) {
    const Variant key(QString::fromLatin1(name));
    if (!object.Exists(key))
        Fail(QStringLiteral("%1: missing \"%2\"").arg(where, QString::fromLatin1(name)));
    auto bag = object.Item(key).As<JsonBag>();
    if (!bag)
        Fail(QStringLiteral("%1: \"%2\" is not an object or array").arg(where, QString::fromLatin1(name)));
    return bag;
}

QString OptionalText(const JsonBag& object, const char* name) {
    const Variant key(QString::fromLatin1(name));
    return object.Exists(key) ? object.Item(key).ToText() : QString();
}

float OptionalTwips(const JsonBag& object, const char* name) {
    const Variant key(QString::fromLatin1(name));
    return object.Exists(key) ? object.Item(key).ToSingle() : 0.0f;
}

} // namespace

std::vector<ScreenControl> ScreenFile::Load(const QString& path) {
    const QByteArray bytes = HostFile::Read(path, QStringLiteral("screen file ") + path);
    // What the document raises (malformed JSON, a width that is no number) names the file too.
    try {
        return ReadControls(path, bytes);
    } catch (const RuntimeError& error) {
        Fail(QStringLiteral("screen file %1: %2").arg(path, error.FailureText()));
    }
}

std::vector<ScreenControl> ScreenFile::ReadControls(const QString& path, const QByteArray& bytes) {
    auto document = JsonBag::Create();
    document->SetJSON(QString::fromUtf8(bytes));
    std::vector<ScreenControl> controls;
    const auto list = Member(*document, "controls", path);
    for (int32_t i = 1; i <= list->Count(); ++i) {
        const QString where = QStringLiteral("%1: control %2").arg(path).arg(i);
        auto entry = list->Item(Variant(i)).As<JsonBag>();
        if (!entry)
            Fail(where + QStringLiteral(" is not an object"));
        ScreenControl control;
        control.Kind = OptionalText(*entry, "kind");
        if (control.Kind.isEmpty())
            Fail(where + QStringLiteral(": missing \"kind\""));
        control.Name = OptionalText(*entry, "name");
        control.Left = OptionalTwips(*entry, "left");
        control.Top = OptionalTwips(*entry, "top");
        control.Width = OptionalTwips(*entry, "width");
        control.Height = OptionalTwips(*entry, "height");
        if (entry->Exists(Variant(QStringLiteral("properties")))) {
            const auto properties = Member(*entry, "properties", where);
            for (int32_t p = 1; p <= properties->Count(); ++p)
                control.Properties.WriteProperty(properties->Name(p).ToText(), properties->Item(Variant(p)));
        }
        controls.push_back(std::move(control));
    }
    return controls;
}

void ScreenFile::Save(const QString& path, const std::vector<ScreenControl>& controls) {
    auto document = JsonBag::Create();
    const auto list = document->AddNewArray(Variant(QStringLiteral("controls")));
    for (const ScreenControl& control : controls) {
        const auto entry = list->AddNewObject();
        entry->SetItem(Variant(QStringLiteral("kind")), Variant(control.Kind));
        entry->SetItem(Variant(QStringLiteral("name")), Variant(control.Name));
        entry->SetItem(Variant(QStringLiteral("left")), Variant(control.Left));
        entry->SetItem(Variant(QStringLiteral("top")), Variant(control.Top));
        entry->SetItem(Variant(QStringLiteral("width")), Variant(control.Width));
        entry->SetItem(Variant(QStringLiteral("height")), Variant(control.Height));
        const auto properties = entry->AddNewObject(Variant(QStringLiteral("properties")));
        for (const auto& [name, value] : control.Properties.Values())
            properties->SetItem(Variant(name), value);
    }
    document->SetWhitespace(true);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        Fail(QStringLiteral("cannot write screen file %1: %2").arg(path, file.errorString()));
    file.write(document->JSON().toUtf8());
    file.write("\n");
}

} // namespace k7::cli
