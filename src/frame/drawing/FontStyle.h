#pragma once

#include "orvelk7controls_export.h"

#include <QFont>
#include <QString>

namespace k7 {

// A font as the control code sets it: face name, size in points (single precision, kept exactly as
// assigned, so 8 stays 8 and 8.25 stays 8.25), bold, italic and underline. The QFont used for
// painting and measuring is derived from it on demand.
struct K7_EXPORT FontStyle {
    QString Name = QStringLiteral("Tahoma");
    float Size = 8.25f;
    bool Bold = false;
    bool Italic = false;
    bool Underline = false;

    // Raises 380 "Invalid property value" for a size a font cannot have (not above 0, above 2160
    // points, or not a number), as the font object of the toolkit does.
    static void CheckSize(double points);

    QFont ToQFont() const;

    friend bool operator==(const FontStyle&, const FontStyle&) = default;
};

} // namespace k7
