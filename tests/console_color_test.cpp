#include <gtest/gtest.h>

#include "palette/color_adjust.h"
#include "palette/color_vision.h"
#include "palette/console_color.h"

namespace tavrin {
namespace {

constexpr std::uint16_t word_of(unsigned r, unsigned g, unsigned b, bool semi = false) {
    return static_cast<std::uint16_t>(r | (g << 5) | (b << 10) | (semi ? 0x8000u : 0u));
}

Rgb rgb5(unsigned r, unsigned g, unsigned b) {
    return Rgb{component_from_field(r), component_from_field(g), component_from_field(b)};
}

TEST(ConsoleColor, TransparencyAndTheFourBlendModesPerChannel) {
    const Rgb background = rgb5(20, 10, 2);  // 8-bit 164, 82, 16: its top five bits are 20, 10, 2
    const std::uint16_t semi = word_of(16, 31, 5, true);

    EXPECT_EQ(shown_color(0x0000, background, BlendMode::half), background);
    EXPECT_EQ(shown_color(0x0000, background, BlendMode::none), background);
    EXPECT_EQ(shown_color(0x8000, background, BlendMode::none), (Rgb{0, 0, 0}));
    // A word without bit 15 is opaque whatever the mode; without a mode bit 15 is ignored.
    EXPECT_EQ(shown_color(word_of(16, 31, 5), background, BlendMode::add), rgb5(16, 31, 5));
    EXPECT_EQ(shown_color(semi, background, BlendMode::none), rgb5(16, 31, 5));

    EXPECT_EQ(shown_color(semi, background, BlendMode::half), rgb5(18, 20, 3));
    EXPECT_EQ(shown_color(semi, background, BlendMode::add), rgb5(31, 31, 7));
    EXPECT_EQ(shown_color(semi, background, BlendMode::subtract), rgb5(4, 0, 0));
    EXPECT_EQ(shown_color(semi, background, BlendMode::quarter), rgb5(24, 17, 3));
    // Opaque black blended: add leaves the background, subtract too.
    EXPECT_EQ(shown_color(0x8000, background, BlendMode::add), background);
    EXPECT_EQ(shown_color(0x8000, background, BlendMode::subtract), background);

    EXPECT_TRUE(is_transparent_word(0x0000));
    EXPECT_FALSE(is_transparent_word(0x8000));
    EXPECT_TRUE(is_semi_transparent_word(0x8000));
    EXPECT_EQ(blend_mode_named("quarter"), BlendMode::quarter);
    EXPECT_EQ(blend_mode_named("Half"), std::nullopt);
    EXPECT_EQ(blend_mode_name(BlendMode::subtract), "subtract");
}

TEST(ColorAdjust, HueSaturationLightnessAndColorizeOnFiveBitWords) {
    const ColorAdjustment none{};
    for (unsigned word = 0; word <= 0xFFFF; ++word) {
        ASSERT_EQ(adjust_color(static_cast<std::uint16_t>(word), none), word);
        // A full turn of hue and a turn of 360 both change no word either.
        ASSERT_EQ(adjust_color(static_cast<std::uint16_t>(word), {.hue = 360}), word);
    }
    const std::uint16_t red = word_of(31, 0, 0);
    EXPECT_EQ(adjust_color(red, {.hue = 120}), word_of(0, 31, 0));
    EXPECT_EQ(adjust_color(red, {.hue = -120}), word_of(0, 0, 31));
    EXPECT_EQ(adjust_color(red, {.hue = 180}), word_of(0, 31, 31));
    EXPECT_EQ(adjust_color(red, {.hue = -180}), adjust_color(red, {.hue = 180}));
    // A dark shade keeps its darkness: a half-bright red turns into a half-bright blue.
    EXPECT_EQ(adjust_color(word_of(16, 0, 0), {.hue = 240}), word_of(0, 0, 16));
    // Greys have no hue to turn and no saturation to gain.
    EXPECT_EQ(adjust_color(word_of(12, 12, 12), {.hue = 90, .saturation = 100}),
              word_of(12, 12, 12));
    // Saturation -100 gives the grey of the colour's lightness.
    EXPECT_EQ(adjust_color(red, {.saturation = -100}), word_of(16, 16, 16));
    EXPECT_EQ(adjust_color(word_of(31, 16, 0), {.saturation = -100}), word_of(16, 16, 16));
    EXPECT_EQ(adjust_color(word_of(20, 10, 4), {.lightness = -100}), word_of(0, 0, 0, false));
    EXPECT_EQ(adjust_color(word_of(20, 10, 4), {.lightness = 100}), word_of(31, 31, 31));
    // Bit 15 stays; the transparent word is no colour to change.
    EXPECT_EQ(adjust_color(word_of(31, 0, 0, true), {.hue = 120}), word_of(0, 31, 0, true));
    EXPECT_EQ(adjust_color(0x0000, {.lightness = 100}), 0x0000);
    // Colorize: one hue and saturation, each cell's lightness kept.
    const ColorAdjustment blue{.hue = -120, .saturation = 100, .colorize = true};
    EXPECT_EQ(adjust_color(red, blue), word_of(0, 0, 31));
    EXPECT_EQ(adjust_color(word_of(31, 31, 31), blue), word_of(31, 31, 31));
    EXPECT_EQ(adjust_color(word_of(8, 8, 8), blue), word_of(0, 0, 16));
    EXPECT_FALSE(changes_nothing(ColorAdjustment{.colorize = true}));
}

TEST(ColorVision, DichromatsKeepGreysAndTheirAnchorPrimaryAndConfuseTheirAxis) {
    for (auto vision :
         {ColorVision::protanopia, ColorVision::deuteranopia, ColorVision::tritanopia}) {
        for (std::uint8_t grey : {0, 64, 128, 255}) {
            const Rgb g{grey, grey, grey};
            EXPECT_EQ(simulate_color_vision(g, vision), g);
        }
    }
    const Rgb red{255, 0, 0};
    const Rgb green{0, 255, 0};
    const Rgb blue{0, 0, 255};
    EXPECT_EQ(simulate_color_vision(blue, ColorVision::protanopia), blue);
    EXPECT_EQ(simulate_color_vision(blue, ColorVision::deuteranopia), blue);
    EXPECT_EQ(simulate_color_vision(red, ColorVision::tritanopia), red);
    // Red seen without L cones: the linear 0.112 of red on red and green, as the paper's matrix.
    EXPECT_EQ(simulate_color_vision(red, ColorVision::protanopia), (Rgb{94, 94, 13}));
    EXPECT_EQ(simulate_color_vision(red, ColorVision::deuteranopia), (Rgb{147, 147, 0}));
    EXPECT_EQ(simulate_color_vision(green, ColorVision::tritanopia), (Rgb{106, 239, 239}));
    EXPECT_EQ(simulate_color_vision(red, ColorVision::normal), red);
    EXPECT_EQ(color_vision_named("deuteranopia"), ColorVision::deuteranopia);
    EXPECT_EQ(color_vision_named("color"), std::nullopt);
}

}  // namespace
}  // namespace tavrin
