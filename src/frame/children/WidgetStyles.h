#pragma once

namespace k7 {

// Style values of the child widgets, numbered as the toolkit the controls were designed with
// numbers them (a control that writes "alignment 2" means centred).
enum class TextAlign { Left = 1, Center = 2, Right = 3 };
enum class BackStyle { Transparent = 0, Opaque = 1 };
enum class BorderStyle { None = 0, Single = 1 };
enum class FillStyle { Solid = 0, Transparent = 1 };

} // namespace k7
