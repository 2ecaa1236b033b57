#include "frame/drawing/Colors.h"

#include "core/RuntimeError.h"

#include <QGuiApplication>

namespace k7 {

void RaiseNegativeColorComponent() {
    Raise(ErrorNumber::InvalidProcedureCall);
}

namespace {

// Palette entry behind each system colour index, in index order.
struct SystemEntry {
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

constexpr SystemEntry kSystemEntries[] = {
    {QPalette::Active, QPalette::Button},          // 0x00 scroll bars
    {QPalette::Active, QPalette::Window},          // 0x01 desktop
    {QPalette::Active, QPalette::Highlight},       // 0x02 active title bar
    {QPalette::Inactive, QPalette::Highlight},     // 0x03 inactive title bar
    {QPalette::Active, QPalette::Window},          // 0x04 menu bar
    {QPalette::Active, QPalette::Base},            // 0x05 window background
    {QPalette::Active, QPalette::Shadow},          // 0x06 window frame
    {QPalette::Active, QPalette::WindowText},      // 0x07 menu text
    {QPalette::Active, QPalette::Text},            // 0x08 window text
    {QPalette::Active, QPalette::HighlightedText}, // 0x09 title bar text
    {QPalette::Active, QPalette::Button},          // 0x0A active border
    {QPalette::Inactive, QPalette::Button},        // 0x0B inactive border
    {QPalette::Active, QPalette::Dark},            // 0x0C application workspace
    {QPalette::Active, QPalette::Highlight},       // 0x0D highlight
    {QPalette::Active, QPalette::HighlightedText}, // 0x0E highlight text
    {QPalette::Active, QPalette::Button},          // 0x0F button face
    {QPalette::Active, QPalette::Dark},            // 0x10 button shadow
    {QPalette::Disabled, QPalette::Text},          // 0x11 grey text
    {QPalette::Active, QPalette::ButtonText},      // 0x12 button text
    {QPalette::Inactive, QPalette::WindowText},    // 0x13 inactive caption text
    {QPalette::Active, QPalette::Light},           // 0x14 button highlight
    {QPalette::Active, QPalette::Shadow},          // 0x15 3-D dark shadow
    {QPalette::Active, QPalette::Midlight},        // 0x16 3-D light
    {QPalette::Active, QPalette::ToolTipText},     // 0x17 tooltip text
    {QPalette::Active, QPalette::ToolTipBase},     // 0x18 tooltip background
};

} // namespace

QColor Colors::ToQColor(uint32_t value, const QPalette& palette) {
    if (IsSystemColor(value)) {
        const uint32_t index = value & 0x00FFFFFFu;
        if (index >= std::size(kSystemEntries))
            return QColor(0, 0, 0);
        const SystemEntry& entry = kSystemEntries[index];
        return palette.color(entry.Group, entry.Role);
    }
    return QColor(static_cast<int>(value & 0xFF), static_cast<int>((value >> 8) & 0xFF),
                  static_cast<int>((value >> 16) & 0xFF));
}

QColor Colors::ToQColor(uint32_t value) {
    return ToQColor(value, QGuiApplication::palette());
}

uint32_t Colors::FromQColor(const QColor& color) {
    return Rgb(color.red(), color.green(), color.blue());
}

QString Colors::ToHexText(uint32_t value) {
    return QStringLiteral("0x") + QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

} // namespace k7
