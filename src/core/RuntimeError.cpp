#include "core/RuntimeError.h"

#include <new>
#include <stdexcept>

namespace k7 {

QString FailureText(int32_t number, const QString& description) {
    return QString::number(number) + QLatin1Char('-') + description;
}

QString StandardDescription(int32_t number) {
    switch (number) {
    case 3: return QStringLiteral("Return without GoSub");
    case 5: return QStringLiteral("Invalid procedure call or argument");
    case 6: return QStringLiteral("Overflow");
    case 7: return QStringLiteral("Out of memory");
    case 9: return QStringLiteral("Subscript out of range");
    case 10: return QStringLiteral("This array is fixed or temporarily locked");
    case 11: return QStringLiteral("Division by zero");
    case 13: return QStringLiteral("Type mismatch");
    case 28: return QStringLiteral("Out of stack space");
    case 51: return QStringLiteral("Internal error");
    case 91: return QStringLiteral("Object variable or With block variable not set");
    case 94: return QStringLiteral("Invalid use of Null");
    case 340: return QStringLiteral("Control array element does not exist");
    case 360: return QStringLiteral("Object already loaded");
    case 362: return QStringLiteral("Can't unload controls created at design time");
    case 380: return QStringLiteral("Invalid property value");
    case 383: return QStringLiteral("Set not supported (read-only property)");
    case 424: return QStringLiteral("Object required");
    case 429: return QStringLiteral("ActiveX component can't create object");
    case 438: return QStringLiteral("Object doesn't support this property or method");
    case 440: return QStringLiteral("Automation error");
    default: return QStringLiteral("Application-defined or object-defined error");
    }
}

RuntimeError::RuntimeError(int32_t number, QString description, QString source)
    : number_(number), description_(std::move(description)), source_(std::move(source)),
      what_(k7::FailureText(number_, description_).toStdString()) {}

RuntimeError RuntimeError::Standard(int32_t number, QString source) {
    return RuntimeError(number, StandardDescription(number), std::move(source));
}

QString RuntimeError::FailureText() const { return k7::FailureText(number_, description_); }

void Raise(int32_t number) { throw RuntimeError::Standard(number); }

RuntimeError CurrentFailure(int32_t otherNumber) {
    try {
        throw;
    } catch (const RuntimeError& error) {
        return error;
    } catch (const std::bad_alloc&) {
        return RuntimeError::Standard(ErrorNumber::OutOfMemory);
    } catch (const std::length_error&) {
        return RuntimeError::Standard(ErrorNumber::OutOfMemory);
    } catch (const std::out_of_range&) {
        return RuntimeError::Standard(ErrorNumber::SubscriptOutOfRange);
    } catch (const std::overflow_error&) {
        return RuntimeError::Standard(ErrorNumber::Overflow);
    } catch (const std::range_error&) {
        return RuntimeError::Standard(ErrorNumber::Overflow);
    } catch (const std::invalid_argument&) {
        return RuntimeError::Standard(ErrorNumber::InvalidProcedureCall);
    } catch (...) {
        return RuntimeError::Standard(otherNumber);
    }
}

} // namespace k7
