// Command and control ids shared by the core and both front ends.
#pragma once

#include <array>

namespace tavrin::ids {

// Menu commands.
inline constexpr int extract_tex = 200;
inline constexpr int inject_tex = 201;
inline constexpr int about = 202;
inline constexpr int exit = 203;
inline constexpr int zone_shirt_primary = 204;
inline constexpr int zone_shirt_secondary = 205;
inline constexpr int zone_shorts = 206;
inline constexpr int zone_socks = 207;
inline constexpr int zone_shirt_number = 208;
inline constexpr int load_clut = 209;
inline constexpr int save_clut = 210;
inline constexpr int blend = 211;
inline constexpr int copy = 212;
inline constexpr int paste = 213;
inline constexpr int zone_captain_strip = 214;
inline constexpr int zone_details_1 = 215;  // 215..221: details #1..#7
inline constexpr int zone_details_8 = 222;  // 222..224: details #8..#10
inline constexpr int tutorial = 225;
inline constexpr int extract_offset = 226;
inline constexpr int inject_offset = 227;
inline constexpr int undo = 228;
inline constexpr int redo = 229;
inline constexpr int select_changed = 230;
inline constexpr int import_colors = 231;
inline constexpr int export_colors = 232;
inline constexpr int paste_from_clipboard = 233;
inline constexpr int extract_tim = 234;
inline constexpr int inject_tim = 235;
inline constexpr int texture_preview = 236;
inline constexpr int export_preview = 237;
inline constexpr int find_clut = 238;
inline constexpr int open_in_disc = 239;
inline constexpr int show_transparency = 240;
inline constexpr int toggle_transparency = 241;
inline constexpr int select_transparent = 242;
inline constexpr int select_semi_transparent = 243;
inline constexpr int keep_black_opaque = 244;
inline constexpr int adjust_colors = 245;
inline constexpr int simulate_vision = 246;

inline constexpr int first_command = 200;
inline constexpr int last_command = 246;

// The sixteen items of Edit > Select.
inline constexpr std::array<int, 16> zone_items = {204, 205, 206, 207, 208, 214, 215, 216,
                                                   217, 218, 219, 220, 221, 222, 223, 224};

// Main window controls.
inline constexpr int slider_red = 300;
inline constexpr int slider_green = 301;
inline constexpr int slider_blue = 302;
inline constexpr int current_box = 303;
inline constexpr int starting_box = 304;
inline constexpr int field_red = 305;
inline constexpr int field_green = 306;
inline constexpr int field_blue = 307;
inline constexpr int banner = 308;
inline constexpr int about_text = 309;
inline constexpr int clut_list = 310;
inline constexpr int field_hex = 311;
inline constexpr int param_offset = 312;
inline constexpr int param_count = 313;
inline constexpr int check_semi_transparent = 314;  // the head's bit 15
// "Adjust colors": sliders and fields of hue, saturation and lightness.
inline constexpr int adjust_hue_slider = 350;
inline constexpr int adjust_saturation_slider = 351;
inline constexpr int adjust_lightness_slider = 352;
inline constexpr int adjust_hue_field = 353;
inline constexpr int adjust_saturation_field = 354;
inline constexpr int adjust_lightness_field = 355;
inline constexpr int adjust_colorize = 356;

inline constexpr std::array<int, 3> sliders = {slider_red, slider_green, slider_blue};
inline constexpr std::array<int, 3> decimal_fields = {field_red, field_green, field_blue};

// Swatch of palette index i is control first_swatch + i.
inline constexpr int first_swatch = 9000;
inline constexpr int last_swatch = 9255;

// Resources.
inline constexpr int icon = 100;
inline constexpr int banner_bitmap = 400;
inline constexpr int logo_bitmap = 401;
inline constexpr int main_menu = 500;
inline constexpr int about_resource = 600;
inline constexpr int accelerators = 700;
inline constexpr int main_dialog = 1000;
inline constexpr int about_dialog = 1001;
inline constexpr int select_clut_dialog = 1002;
inline constexpr int clut_params_dialog = 1003;
inline constexpr int find_clut_dialog = 1004;
inline constexpr int choose_from_list_dialog = 1005;
inline constexpr int adjust_colors_dialog = 1006;

constexpr bool is_swatch(int id) {
    return id >= first_swatch && id <= last_swatch;
}
constexpr bool is_command(int id) {
    return id >= first_command && id <= last_command;
}
constexpr bool is_zone_item(int id) {
    for (int zone : zone_items) {
        if (zone == id) {
            return true;
        }
    }
    return false;
}

}  // namespace tavrin::ids
