#include "palette/color_vision.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace tavrin {

namespace {

using Matrix = std::array<std::array<double, 3>, 3>;
using Vector = std::array<double, 3>;

// Linear RGB to the cone responses L, M, S, as the 1999 paper gives it.
constexpr Matrix rgb_to_lms{
    {{17.8824, 43.5161, 4.11935}, {3.45565, 27.1554, 3.86714}, {0.0299566, 0.184309, 1.46709}}};

Vector times(const Matrix& m, const Vector& v) {
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2],
            m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

Matrix inverse(const Matrix& m) {
    const double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
                       m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                       m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    Matrix r{};
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            // Cofactor of (j, i) over the determinant.
            const int a = (j + 1) % 3, b = (j + 2) % 3, c = (i + 1) % 3, d = (i + 2) % 3;
            r[i][j] = (m[a][c] * m[b][d] - m[a][d] * m[b][c]) / det;
        }
    }
    return r;
}

// The missing cone's response, rebuilt from the other two so that two
// stimuli keep their look: white, and a primary the dichromat sees as a
// normal observer does (blue for the red-green losses, red for the blue one).
// That projects every colour onto the plane of black, white and that primary.
struct Projection {
    int missing;
    int first;
    int second;
    double first_weight;
    double second_weight;
};

Projection projection_keeping(int missing, const Vector& kept_primary) {
    const Vector white = times(rgb_to_lms, {1.0, 1.0, 1.0});
    const Vector anchor = times(rgb_to_lms, kept_primary);
    const int first = (missing + 1) % 3;
    const int second = (missing + 2) % 3;
    // Solve w1 * x[first] + w2 * x[second] = x[missing] for white and the anchor.
    const double det = white[first] * anchor[second] - white[second] * anchor[first];
    const double w1 = (white[missing] * anchor[second] - white[second] * anchor[missing]) / det;
    const double w2 = (white[first] * anchor[missing] - white[missing] * anchor[first]) / det;
    return {missing, first, second, w1, w2};
}

double linear_of(std::uint8_t component) {
    const double c = component / 255.0;
    return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4);
}

std::uint8_t component_of(double linear) {
    const double l = std::clamp(linear, 0.0, 1.0);
    const double c = l <= 0.0031308 ? l * 12.92 : 1.055 * std::pow(l, 1.0 / 2.4) - 0.055;
    return static_cast<std::uint8_t>(std::lround(c * 255.0));
}

}  // namespace

std::optional<ColorVision> color_vision_named(std::string_view name) {
    if (name == "none") {
        return ColorVision::normal;
    }
    if (name == "protanopia") {
        return ColorVision::protanopia;
    }
    if (name == "deuteranopia") {
        return ColorVision::deuteranopia;
    }
    if (name == "tritanopia") {
        return ColorVision::tritanopia;
    }
    return std::nullopt;
}

Rgb simulate_color_vision(Rgb color, ColorVision vision) {
    if (vision == ColorVision::normal) {
        return color;
    }
    static const Matrix lms_to_rgb = inverse(rgb_to_lms);
    static const std::array<Projection, 3> projections{
        projection_keeping(0, {0.0, 0.0, 1.0}),  // protanopia: no L cones
        projection_keeping(1, {0.0, 0.0, 1.0}),  // deuteranopia: no M cones
        projection_keeping(2, {1.0, 0.0, 0.0}),  // tritanopia: no S cones
    };
    const Projection& p = projections[static_cast<int>(vision) - 1];
    Vector lms =
        times(rgb_to_lms, {linear_of(color.red), linear_of(color.green), linear_of(color.blue)});
    lms[p.missing] = p.first_weight * lms[p.first] + p.second_weight * lms[p.second];
    const Vector rgb = times(lms_to_rgb, lms);
    return Rgb{component_of(rgb[0]), component_of(rgb[1]), component_of(rgb[2])};
}

}  // namespace tavrin
