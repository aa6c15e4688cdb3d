// The resource script's ids, checked at compile time against the core's.
#pragma once

#include "resources/resource.h"
#include "ui/ids.h"

namespace tavrin::win32 {

namespace ids = tavrin::ids;

static_assert(IDI_TAVRIN == ids::icon);
static_assert(IDB_BANNER == ids::banner_bitmap);
static_assert(IDB_LOGO == ids::logo_bitmap);
static_assert(IDM_MAIN == ids::main_menu);
static_assert(IDR_ABOUT_TEXT == ids::about_resource);
static_assert(IDA_MAIN == ids::accelerators);
static_assert(IDD_MAIN == ids::main_dialog);
static_assert(IDD_ABOUT == ids::about_dialog);
static_assert(IDD_SELECT_CLUT == ids::select_clut_dialog);
static_assert(IDD_CLUT_PARAMS == ids::clut_params_dialog);
static_assert(IDD_FIND_CLUT == ids::find_clut_dialog);
static_assert(IDD_CHOOSE_FROM_LIST == ids::choose_from_list_dialog);
static_assert(IDD_ADJUST_COLORS == ids::adjust_colors_dialog);

static_assert(IDM_EXTRACT_TEX == ids::extract_tex);
static_assert(IDM_INJECT_TEX == ids::inject_tex);
static_assert(IDM_ABOUT == ids::about);
static_assert(IDM_EXIT == ids::exit);
static_assert(IDM_ZONE_SHIRT_PRIMARY == ids::zone_shirt_primary);
static_assert(IDM_ZONE_SHIRT_SECONDARY == ids::zone_shirt_secondary);
static_assert(IDM_ZONE_SHORTS == ids::zone_shorts);
static_assert(IDM_ZONE_SOCKS == ids::zone_socks);
static_assert(IDM_ZONE_SHIRT_NUMBER == ids::zone_shirt_number);
static_assert(IDM_LOAD_CLUT == ids::load_clut);
static_assert(IDM_SAVE_CLUT == ids::save_clut);
static_assert(IDM_BLEND == ids::blend);
static_assert(IDM_COPY == ids::copy);
static_assert(IDM_PASTE == ids::paste);
static_assert(IDM_ZONE_CAPTAIN_STRIP == ids::zone_captain_strip);
static_assert(IDM_ZONE_DETAILS_1 == ids::zone_details_1);
static_assert(IDM_ZONE_DETAILS_7 == ids::zone_details_1 + 6);
static_assert(IDM_ZONE_DETAILS_8 == ids::zone_details_8);
static_assert(IDM_ZONE_DETAILS_10 == ids::zone_details_8 + 2);
static_assert(IDM_TUTORIAL == ids::tutorial);
static_assert(IDM_EXTRACT_OFFSET == ids::extract_offset);
static_assert(IDM_INJECT_OFFSET == ids::inject_offset);
static_assert(IDM_FIND_CLUT == ids::find_clut);
static_assert(IDM_OPEN_IN_DISC == ids::open_in_disc);
static_assert(IDM_UNDO == ids::undo);
static_assert(IDM_REDO == ids::redo);
static_assert(IDM_SELECT_CHANGED == ids::select_changed);
static_assert(IDM_EXTRACT_TIM == ids::extract_tim);
static_assert(IDM_INJECT_TIM == ids::inject_tim);
static_assert(IDM_TEXTURE_PREVIEW == ids::texture_preview);
static_assert(IDM_EXPORT_PREVIEW == ids::export_preview);
static_assert(IDM_IMPORT_COLORS == ids::import_colors);
static_assert(IDM_EXPORT_COLORS == ids::export_colors);
static_assert(IDM_PASTE_FROM_CLIPBOARD == ids::paste_from_clipboard);
static_assert(IDM_SHOW_TRANSPARENCY == ids::show_transparency);
static_assert(IDM_TOGGLE_TRANSPARENCY == ids::toggle_transparency);
static_assert(IDM_SELECT_TRANSPARENT == ids::select_transparent);
static_assert(IDM_SELECT_SEMI_TRANSPARENT == ids::select_semi_transparent);
static_assert(IDM_KEEP_BLACK_OPAQUE == ids::keep_black_opaque);
static_assert(IDM_ADJUST_COLORS == ids::adjust_colors);
static_assert(IDM_SIMULATE_VISION == ids::simulate_vision);

static_assert(IDC_SLIDER_RED == ids::slider_red);
static_assert(IDC_SLIDER_GREEN == ids::slider_green);
static_assert(IDC_SLIDER_BLUE == ids::slider_blue);
static_assert(IDC_CURRENT_BOX == ids::current_box);
static_assert(IDC_STARTING_BOX == ids::starting_box);
static_assert(IDC_FIELD_RED == ids::field_red);
static_assert(IDC_FIELD_GREEN == ids::field_green);
static_assert(IDC_FIELD_BLUE == ids::field_blue);
static_assert(IDC_BANNER == ids::banner);
static_assert(IDC_ABOUT_TEXT == ids::about_text);
static_assert(IDC_CLUT_LIST == ids::clut_list);
static_assert(IDC_FIELD_HEX == ids::field_hex);
static_assert(IDC_PARAM_OFFSET == ids::param_offset);
static_assert(IDC_PARAM_COUNT == ids::param_count);
static_assert(IDC_CHECK_SEMI_TRANSPARENT == ids::check_semi_transparent);
static_assert(IDC_ADJUST_HUE_SLIDER == ids::adjust_hue_slider);
static_assert(IDC_ADJUST_SATURATION_SLIDER == ids::adjust_saturation_slider);
static_assert(IDC_ADJUST_LIGHTNESS_SLIDER == ids::adjust_lightness_slider);
static_assert(IDC_ADJUST_HUE_FIELD == ids::adjust_hue_field);
static_assert(IDC_ADJUST_SATURATION_FIELD == ids::adjust_saturation_field);
static_assert(IDC_ADJUST_LIGHTNESS_FIELD == ids::adjust_lightness_field);
static_assert(IDC_ADJUST_COLORIZE == ids::adjust_colorize);
static_assert(IDC_FIRST_SWATCH == ids::first_swatch);
static_assert(IDC_LAST_SWATCH == ids::last_swatch);

}  // namespace tavrin::win32
