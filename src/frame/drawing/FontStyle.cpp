#include "frame/drawing/FontStyle.h"

#include "core/RuntimeError.h"
#include "frame/drawing/FontRegistry_p.h"

#include <cmath>

namespace k7 {

void FontStyle::CheckSize(double points) {
    if (!(points > 0.0) || points > 2160.0 || std::isnan(points))
        Raise(ErrorNumber::InvalidPropertyValue);
}

QFont FontStyle::ToQFont() const {
    FontRegistry::EnsureRegistered();
    QFont font(Name);
    // A size that slipped past CheckSize (a default-constructed property edited directly) still has to
    // paint something rather than make Qt warn on every paint.
    font.setPointSizeF(Size > 0.0f ? static_cast<qreal>(Size) : 1.0);
    font.setBold(Bold);
    font.setItalic(Italic);
    font.setUnderline(Underline);
    return font;
}

} // namespace k7
