// Dialog-unit geometry of the window templates, converted through the base
// units of 8-point "MS Sans Serif" at 96 DPI, so that both front ends put
// every control on the same pixel whatever font this desktop uses.
#pragma once

#include <QRect>

namespace tavrin::qt {

// Average character width and height of that font, in pixels.
inline constexpr int base_unit_x = 6;
inline constexpr int base_unit_y = 13;

// value * numerator / denominator rounded to the nearest pixel, halves away
// from zero: the rounding the Win32 front end's templates get, so both agree.
constexpr int mul_div(int value, int numerator, int denominator) {
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    return static_cast<int>(product >= 0 ? (product + half) / denominator
                                         : -((-product + half) / denominator));
}

constexpr int dlu_x(int units) {
    return mul_div(units, base_unit_x, 4);
}
constexpr int dlu_y(int units) {
    return mul_div(units, base_unit_y, 8);
}

// Each of the four template numbers is converted on its own (the width is not
// derived from the two edges), so each control matches its Win32 pixels exactly.
inline QRect dlu_rect(int x, int y, int width, int height) {
    return {dlu_x(x), dlu_y(y), dlu_x(width), dlu_y(height)};
}

}  // namespace tavrin::qt
