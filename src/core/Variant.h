#pragma once

#include "core/Date.h"
#include "core/Decimal.h"
#include "core/Object.h"
#include "orvelk7controls_export.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <type_traits>
#include <variant>

namespace k7 {

// The runtime's type codes, as a variant reports them.
enum class VarType : int16_t {
    Empty = 0,
    Null = 1,
    Integer = 2,
    Long = 3,
    Single = 4,
    Double = 5,
    Currency = 6,
    Date = 7,
    String = 8,
    Object = 9,
    Error = 10,
    Boolean = 11,
    Decimal = 14,
    Byte = 17,
};

// Currency: a 64-bit integer count of ten-thousandths.
struct Currency {
    int64_t Scaled = 0;
    friend bool operator==(Currency a, Currency b) { return a.Scaled == b.Scaled; }
};

// A value of any of the runtime's types. Conversions follow the runtime's rules (see
// Conversions.h) and raise RuntimeError: 13 for a value that cannot convert, 6 for overflow,
// 94 for Null where a value is needed, 424 for a member access on something that is no object.
class K7_EXPORT Variant {
public:
    struct NullTag {
        friend bool operator==(NullTag, NullTag) { return true; }
    };

    Variant() = default; // Empty
    Variant(bool value) : value_(value) {}
    Variant(uint8_t value) : value_(value) {}
    Variant(int16_t value) : value_(value) {}
    Variant(int32_t value) : value_(value) {}
    Variant(float value) : value_(value) {}
    Variant(double value) : value_(value) {}
    Variant(Currency value) : value_(value) {}
    Variant(const Decimal& value) : value_(value) {}
    Variant(Date value) : value_(value) {}
    Variant(const QString& value) : value_(value) {}
    Variant(QString&& value) : value_(std::move(value)) {}
    Variant(const char* utf8) : value_(QString::fromUtf8(utf8)) {}
    Variant(ObjectRef value) : value_(std::move(value)) {}
    template <class T, class = std::enable_if_t<std::is_base_of_v<Object, T> && !std::is_same_v<T, Object>>>
    Variant(std::shared_ptr<T> value) : value_(ObjectRef(std::move(value))) {}

    static Variant Null() {
        Variant v;
        v.value_ = NullTag{};
        return v;
    }

    VarType Type() const;
    bool IsEmpty() const { return value_.index() == 0; }
    bool IsNull() const { return std::holds_alternative<NullTag>(value_); }
    bool IsString() const { return std::holds_alternative<QString>(value_); }
    bool IsObject() const { return std::holds_alternative<ObjectRef>(value_); }
    bool IsBoolean() const { return std::holds_alternative<bool>(value_); }
    // True for the number types (Byte, Integer, Long, Single, Double, Currency, Decimal).
    bool IsNumber() const;

    // Chained member access: forwards to the held object, 424 "Object required" otherwise.
    Variant Item(const Variant& key) const;

    // Conversions (CStr, CDbl, CInt, CLng, CSng, CBool, CDate).
    QString ToText() const;
    double ToDouble() const;
    int16_t ToInteger() const;
    int32_t ToLong() const;
    float ToSingle() const;
    bool ToBoolean() const;
    Date ToDate() const;

    // The held object, or nullptr when the variant holds none.
    const ObjectRef& AsObject() const;
    template <class T> std::shared_ptr<T> As() const { return std::dynamic_pointer_cast<T>(AsObject()); }

    // Direct access for code that already knows the type (nullptr when it is another type).
    template <class T> const T* Get() const { return std::get_if<T>(&value_); }

    // `value = number` as an If statement judges it (a text read as a number, Null never equal).
    bool EqualsNumber(double number) const;

    // Same type and same value (for tests and containers; no conversion).
    friend bool operator==(const Variant& a, const Variant& b) { return a.value_ == b.value_; }

private:
    using Storage = std::variant<std::monostate, NullTag, bool, uint8_t, int16_t, int32_t, float, double,
                                 Currency, Decimal, Date, QString, ObjectRef>;
    Storage value_;
};

} // namespace k7
