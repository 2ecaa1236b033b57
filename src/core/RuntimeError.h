#pragma once

#include "orvelk7controls_export.h"

#include <QString>

#include <cstdint>
#include <exception>
#include <string>

namespace k7 {

// The classic runtime error numbers the controls and their callers rely on.
namespace ErrorNumber {
constexpr int32_t InvalidProcedureCall = 5;
constexpr int32_t Overflow = 6;
constexpr int32_t OutOfMemory = 7;
constexpr int32_t SubscriptOutOfRange = 9;
constexpr int32_t DivisionByZero = 11;
constexpr int32_t InternalError = 51;
constexpr int32_t TypeMismatch = 13;
constexpr int32_t ObjectVariableNotSet = 91;
constexpr int32_t InvalidUseOfNull = 94;
constexpr int32_t ControlArrayElementMissing = 340;
constexpr int32_t ObjectAlreadyLoaded = 360;
constexpr int32_t CannotUnloadDesignElement = 362;
constexpr int32_t InvalidPropertyValue = 380;
constexpr int32_t PropertyIsReadOnly = 383;
constexpr int32_t ObjectRequired = 424;
constexpr int32_t CannotCreateObject = 429;
constexpr int32_t ObjectDoesNotSupportMember = 438;
constexpr int32_t AutomationError = 440;
} // namespace ErrorNumber

// The one rule for a failure text: the number in signed decimal, "-", the description unchanged.
// Controls keep it in Error, the REST client puts it in its failure envelope, the path view draws it.
QString FailureText(int32_t number, const QString& description);

// The runtime's own description of a standard error number ("Overflow", "Type mismatch", ...).
QString StandardDescription(int32_t number);

// A runtime error as the component runtime raises it: a signed 32-bit number, a description and
// the name of the component that raised it.
class K7_EXPORT RuntimeError : public std::exception {
public:
    RuntimeError(int32_t number, QString description, QString source = {});

    // An error with the runtime's standard description for `number`.
    static RuntimeError Standard(int32_t number, QString source = {});

    int32_t Number() const noexcept { return number_; }
    const QString& Description() const noexcept { return description_; }
    const QString& Source() const noexcept { return source_; }
    QString FailureText() const;

    const char* what() const noexcept override { return what_.c_str(); }

private:
    int32_t number_;
    QString description_;
    QString source_;
    std::string what_;
};

// Raises the standard error `number` (for example Raise(ErrorNumber::Overflow)).
[[noreturn]] void Raise(int32_t number);

// The exception being handled (call it only inside a catch block) as the runtime's error: standard
// library failures get the runtime's numbers (7, 9, 6, 5), anything unknown `otherNumber`.
RuntimeError CurrentFailure(int32_t otherNumber);

} // namespace k7
