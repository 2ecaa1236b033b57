#pragma once

#include "core/Date.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <stdexcept>
#include <utility>
#include <vector>

namespace k7::plant {

// The query string of one request, read strictly. The controls insert values as they stand, so
// only "%XX" sequences are decoded ("+" stays a plus sign). Every accessor that cannot give a
// usable value throws Invalid, whose text becomes the reason phrase of the 400 reply.
class PlantQuery {
public:
    class Invalid : public std::runtime_error {
    public:
        explicit Invalid(const QString& reason) : std::runtime_error(reason.toStdString()) {}
    };

    // Throws Invalid for a parameter given twice.
    explicit PlantQuery(const QByteArray& query);

    bool Has(const QString& name) const;
    // The value as sent (may be empty); Invalid when the parameter is missing.
    QString Text(const QString& name) const;
    // A whole number within [min, max].
    int32_t Whole(const QString& name, int32_t min, int32_t max) const;
    // A real calendar instant written "YYYYMMDDhhmmss" or "YYYYMMDD" (midnight).
    Date Timestamp(const QString& name) const;

private:
    const QString* Find(const QString& name) const;

    std::vector<std::pair<QString, QString>> items_;
};

} // namespace k7::plant
