#pragma once

#include "orvelk7controls_export.h"

#include <QColor>
#include <QPalette>
#include <QString>

#include <cstdint>

namespace k7 {

[[noreturn]] K7_EXPORT void RaiseNegativeColorComponent();

// RGB(red, green, blue) as the runtime computes it: a component above 255 counts as 255; a
// negative one raises 5 "Invalid procedure call or argument". Colors::Rgb is the name to use.
constexpr uint32_t RgbColor(int red, int green, int blue) {
    if (red < 0 || green < 0 || blue < 0)
        RaiseNegativeColorComponent();
    const auto part = [](int component) { return static_cast<uint32_t>(component > 255 ? 255 : component); };
    return part(red) | part(green) << 8 | part(blue) << 16;
}

// Colour values as the controls write them: 0x00BBGGRR (red in the lowest byte), or a system
// colour 0x800000nn that stands for an entry of the current palette. This is the only place where
// such a value becomes a QColor, so every widget paints the same colour for the same number.
class K7_EXPORT Colors {
public:
    static constexpr uint32_t Rgb(int red, int green, int blue) { return RgbColor(red, green, blue); }

    // The colours the designs name.
    static constexpr uint32_t Black = RgbColor(0, 0, 0);
    static constexpr uint32_t White = RgbColor(255, 255, 255);
    static constexpr uint32_t Red = RgbColor(255, 0, 0);
    static constexpr uint32_t Green = RgbColor(0, 255, 0);
    static constexpr uint32_t Yellow = RgbColor(255, 255, 0);

    // System colours (the palette entries the designs refer to).
    static constexpr uint32_t ScrollBars = 0x80000000;
    static constexpr uint32_t Desktop = 0x80000001;
    static constexpr uint32_t ActiveTitleBar = 0x80000002;
    static constexpr uint32_t InactiveTitleBar = 0x80000003;
    static constexpr uint32_t MenuBar = 0x80000004;
    static constexpr uint32_t WindowBackground = 0x80000005;
    static constexpr uint32_t WindowFrame = 0x80000006;
    static constexpr uint32_t MenuText = 0x80000007;
    static constexpr uint32_t WindowText = 0x80000008;
    static constexpr uint32_t TitleBarText = 0x80000009;
    static constexpr uint32_t ActiveBorder = 0x8000000A;
    static constexpr uint32_t InactiveBorder = 0x8000000B;
    static constexpr uint32_t ApplicationWorkspace = 0x8000000C;
    static constexpr uint32_t Highlight = 0x8000000D;
    static constexpr uint32_t HighlightText = 0x8000000E;
    static constexpr uint32_t ButtonFace = 0x8000000F;
    static constexpr uint32_t ButtonShadow = 0x80000010;
    static constexpr uint32_t GrayText = 0x80000011;
    static constexpr uint32_t ButtonText = 0x80000012;
    static constexpr uint32_t InactiveCaptionText = 0x80000013;
    static constexpr uint32_t ButtonHighlight = 0x80000014;
    static constexpr uint32_t DarkShadow3D = 0x80000015;
    static constexpr uint32_t Light3D = 0x80000016;
    static constexpr uint32_t InfoText = 0x80000017;
    static constexpr uint32_t InfoBackground = 0x80000018;

    static bool IsSystemColor(uint32_t value) { return (value & 0xFF000000u) == 0x80000000u; }

    // The colour to paint for `value`; system colours come from `palette`. An unknown system
    // index paints black rather than failing in the middle of a paint.
    static QColor ToQColor(uint32_t value, const QPalette& palette);
    // Uses the application palette.
    static QColor ToQColor(uint32_t value);

    // The 0x00BBGGRR value of an RGB colour (alpha dropped).
    static uint32_t FromQColor(const QColor& color);

    // "0x00BBGGRR": eight upper-case hex digits, as dumps and documents show colour values.
    static QString ToHexText(uint32_t value);
};

} // namespace k7
