#include "core/Variant.h"

#include "core/Conversions_p.h"
#include "core/RuntimeError.h"

namespace k7 {

namespace {
template <class... Ts> struct Overloaded : Ts... {
    using Ts::operator()...;
};
template <class... Ts> Overloaded(Ts...) -> Overloaded<Ts...>;

const ObjectRef NoObject;

QString CurrencyText(Currency value) {
    const bool negative = value.Scaled < 0;
    const uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value.Scaled) : static_cast<uint64_t>(value.Scaled);
    QString text = QString::number(magnitude / 10000);
    if (const uint64_t fraction = magnitude % 10000) {
        QString digits = QStringLiteral("%1").arg(fraction, 4, 10, QLatin1Char('0'));
        while (digits.endsWith(u'0'))
            digits.chop(1);
        text += u'.' + digits;
    }
    return negative ? u'-' + text : text;
}
} // namespace

VarType Variant::Type() const {
    return std::visit(Overloaded{
                          [](std::monostate) { return VarType::Empty; },
                          [](NullTag) { return VarType::Null; },
                          [](bool) { return VarType::Boolean; },
                          [](uint8_t) { return VarType::Byte; },
                          [](int16_t) { return VarType::Integer; },
                          [](int32_t) { return VarType::Long; },
                          [](float) { return VarType::Single; },
                          [](double) { return VarType::Double; },
                          [](Currency) { return VarType::Currency; },
                          [](const Decimal&) { return VarType::Decimal; },
                          [](Date) { return VarType::Date; },
                          [](const QString&) { return VarType::String; },
                          [](const ObjectRef&) { return VarType::Object; },
                      },
                      value_);
}

bool Variant::IsNumber() const {
    switch (Type()) {
    case VarType::Byte:
    case VarType::Integer:
    case VarType::Long:
    case VarType::Single:
    case VarType::Double:
    case VarType::Currency:
    case VarType::Decimal: return true;
    default: return false;
    }
}

Variant Variant::Item(const Variant& key) const {
    const ObjectRef& object = AsObject();
    if (!object)
        Raise(ErrorNumber::ObjectRequired);
    return object->Item(key);
}

const ObjectRef& Variant::AsObject() const {
    if (const ObjectRef* object = std::get_if<ObjectRef>(&value_))
        return *object;
    return NoObject;
}

QString Variant::ToText() const {
    return std::visit(Overloaded{
                          [](std::monostate) { return QString(); },
                          [](NullTag) -> QString { Raise(ErrorNumber::InvalidUseOfNull); },
                          [](bool b) { return b ? QStringLiteral("True") : QStringLiteral("False"); },
                          [](uint8_t v) { return QString::number(v); },
                          [](int16_t v) { return QString::number(v); },
                          [](int32_t v) { return QString::number(v); },
                          [](float v) { return NumberToText(v); },
                          [](double v) { return NumberToText(v); },
                          [](Currency v) { return CurrencyText(v); },
                          [](const Decimal& v) { return v.ToText(); },
                          [](Date v) { return Dates::FormatIso(v); },
                          [](const QString& v) { return v; },
                          [](const ObjectRef&) -> QString { Raise(ErrorNumber::TypeMismatch); },
                      },
                      value_);
}

double Variant::ToDouble() const {
    return std::visit(Overloaded{
                          [](std::monostate) { return 0.0; },
                          [](NullTag) -> double { Raise(ErrorNumber::InvalidUseOfNull); },
                          [](bool b) { return b ? -1.0 : 0.0; },
                          [](uint8_t v) { return static_cast<double>(v); },
                          [](int16_t v) { return static_cast<double>(v); },
                          [](int32_t v) { return static_cast<double>(v); },
                          [](float v) { return static_cast<double>(v); },
                          [](double v) { return v; },
                          [](Currency v) { return static_cast<double>(v.Scaled) / 10000.0; },
                          [](const Decimal& v) { return v.ToDouble(); },
                          [](Date v) { return v.Serial; },
                          [](const QString& v) { return TextToDouble(v); },
                          [](const ObjectRef&) -> double { Raise(ErrorNumber::TypeMismatch); },
                      },
                      value_);
}

int16_t Variant::ToInteger() const { return k7::ToInteger(ToDouble()); }
int32_t Variant::ToLong() const { return k7::ToLong(ToDouble()); }
float Variant::ToSingle() const { return k7::ToSingle(ToDouble()); }

bool Variant::ToBoolean() const {
    if (const QString* text = std::get_if<QString>(&value_)) {
        if (text->compare(QLatin1String("True"), Qt::CaseInsensitive) == 0)
            return true;
        if (text->compare(QLatin1String("False"), Qt::CaseInsensitive) == 0)
            return false;
    }
    return ToDouble() != 0.0;
}

Date Variant::ToDate() const {
    if (const Date* date = std::get_if<Date>(&value_))
        return *date;
    if (IsString())
        Raise(ErrorNumber::TypeMismatch);
    return Dates::FromLinear(Dates::ToLinear(Date(ToDouble())));
}

bool Variant::EqualsNumber(double number) const {
    if (IsNull())
        return false;
    return ToDouble() == number;
}

} // namespace k7
