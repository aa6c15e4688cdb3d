// tavrin-cli render over image/: read the indices, read the CLUT, draw, save.
#include "cli/render_command.h"

#include "files/clut_files.h"
#include "image/image.h"
#include "image/png_file.h"

namespace tavrin::cli {

void add_render_command(CLI::App& app, RenderCommand& render) {
    auto* command = app.add_subcommand(
        "render",
        "draw an indexed image through a CLUT into a PNG file: a TIM's own image "
        "(--tim [--row N]) or raw pixels (--offset OFF --width W --height H --bpp 4|8)");
    render.command = command;
    command->add_option("FILE", render.file, "the TIM file, or the file holding the pixels")
        ->required();
    command->add_option("-o,--output", render.output, "the PNG file to write")->required();
    auto* tim = command->add_flag("--tim", render.tim, "FILE is a TIM file: draw its own image");
    command->add_option("--row", render.row, "the TIM's CLUT row to draw through (default 0)")
        ->check(CLI::NonNegativeNumber)
        ->needs(tim);
    add_tim_at_option(*command, render.at_text, tim);
    auto* clut = command->add_option("--clut-file", render.clut_file,
                                     "a raw CLUT file to draw through instead");
    auto* offset =
        command->add_option("--offset", render.offset_text,
                            "where the pixels start, in decimal or in hexadecimal after 0x");
    auto* width =
        command->add_option("--width", render.width, "width in pixels")->check(CLI::PositiveNumber);
    auto* height = command->add_option("--height", render.height, "height in pixels")
                       ->check(CLI::PositiveNumber);
    auto* bpp = command->add_option("--bpp", render.bits_per_pixel, "bits per pixel, 4 or 8")
                    ->check(CLI::IsMember({4, 8}));
    tim->excludes(offset);
    for (auto* raw_option : {width, height, bpp}) {
        raw_option->needs(offset);
        offset->needs(raw_option);
        tim->excludes(raw_option);
    }
    offset->needs(clut);
    command->add_option("--background", render.background,
                        "RRGGBB: the color under transparent pixels (the word 0000) and under "
                        "semi-transparent ones with --blend (with --blend alone, a grey "
                        "checkerboard; with neither option, transparent pixels stay black)");
    command
        ->add_option("--blend", render.blend,
                     "blend pixels with bit 15 set over the background as the console does: "
                     "half (B/2+F/2), add (B+F), subtract (B-F), quarter (B+F/4); without it "
                     "bit 15 is ignored")
        ->check(CLI::IsMember({"half", "add", "subtract", "quarter"}));
    command
        ->add_option("--simulate", render.simulate,
                     "draw the colours as seen with protanopia, deuteranopia or tritanopia")
        ->check(CLI::IsMember({"none", "protanopia", "deuteranopia", "tritanopia"}));
}

namespace {

// Six hex digits, with or without a leading #.
std::optional<Rgb> parse_rgb(std::string_view text) {
    if (text.starts_with('#')) {
        text.remove_prefix(1);
    }
    if (text.size() != 6) {
        return std::nullopt;
    }
    std::uint32_t value = 0;
    for (char c : text) {
        int digit = -1;
        if (c >= '0' && c <= '9') {
            digit = c - '0';
        } else if (c >= 'a' && c <= 'f') {
            digit = c - 'a' + 10;
        } else if (c >= 'A' && c <= 'F') {
            digit = c - 'A' + 10;
        }
        if (digit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<std::uint32_t>(digit);
    }
    return Rgb{static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 8),
               static_cast<std::uint8_t>(value)};
}

}  // namespace

std::optional<Failure> run_render(FileSystem& fs, const RenderCommand& render) {
    if (!render.tim && render.offset_text.empty()) {
        return Failure{render.file, "say what to draw with --tim or --offset OFF"};
    }
    // Either option draws the texture as the console shows it.
    std::optional<Backdrop> backdrop;
    if (!render.background.empty() || !render.blend.empty()) {
        backdrop.emplace();
        if (!render.background.empty()) {
            backdrop->color = parse_rgb(render.background);
            if (!backdrop->color) {
                return Failure{render.background,
                               "--background takes six hex digits, RRGGBB, such as 00FF00"};
            }
        }
        backdrop->blend = blend_mode_named(render.blend).value_or(BlendMode::none);
    }
    IndexedImage image;
    Clut clut;
    if (render.tim) {
        std::uint64_t at = 0;
        if (auto failure = parse_tim_at(render.file, render.at_text, at)) {
            return failure;
        }
        TimInfo info;
        if (auto failure = failed(render.file, read_tim_image(fs, render.file, image, info, at))) {
            return failure;
        }
        if (render.clut_file.empty()) {
            if (auto failure = failed(render.file,
                                      read_tim_clut(fs, render.file, render.row, clut, info, at))) {
                return failure;
            }
        }
    } else {
        const TypedOffset offset = parse_offset(render.offset_text);
        if (!offset.ok()) {
            return Failure{render.file, offset_problem(render.offset_text, offset)};
        }
        const RawPixelsPlace place{offset.value, render.width, render.height,
                                   render.bits_per_pixel};
        if (auto failure = failed(render.file, read_raw_pixels(fs, render.file, place, image))) {
            return failure;
        }
    }
    if (!render.clut_file.empty()) {
        if (auto failure = failed(render.clut_file, read_clut_file(fs, render.clut_file, clut))) {
            return failure;
        }
    }
    const ColorVision vision =
        color_vision_named(render.simulate.empty() ? "none" : render.simulate)
            .value_or(ColorVision::normal);
    std::vector<Argb> pixels;
    draw_indexed(
        image,
        pixel_colors(clut.entries, clut.count, nullptr, backdrop ? &*backdrop : nullptr, vision),
        pixels);
    return failed(render.output, save_png(fs, render.output, image.width, image.height, pixels));
}

}  // namespace tavrin::cli
