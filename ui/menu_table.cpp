// The rows of the menu bar and the shortcut table.
#include "ui/menu_table.h"

#include <array>
#include <map>
#include <string>

#include "ui/ids.h"

namespace tavrin {

namespace {

using K = MenuRow::Kind;

constexpr MenuRow popup(std::string_view text) {
    return {K::popup_begin, 0, text, false};
}
constexpr MenuRow end_popup() {
    return {K::popup_end, 0, {}, false};
}
constexpr MenuRow separator() {
    return {K::separator, 0, {}, false};
}
constexpr MenuRow item(int id, std::string_view text) {
    return {K::command, id, text, false};
}
constexpr MenuRow grayed(int id, std::string_view text) {
    return {K::command, id, text, true};
}

constexpr std::array rows = {
    popup("&File"),
    item(ids::extract_tex, "&Extract CLUT from TEX file..."),
    grayed(ids::inject_tex, "&Inject CLUT in TEX file"),
    item(ids::extract_offset, "Ex&tract CLUT from file..."),
    grayed(ids::inject_offset, "&Inject CLUT in file..."),
    item(ids::find_clut, "&Find CLUT in file..."),
    item(ids::open_in_disc, "Open file in &disc image..."),
    item(ids::load_clut, "&Load CLUT..."),
    grayed(ids::save_clut, "&Save CLUT..."),
    separator(),
    item(ids::extract_tim, "Extract CLUT from TI&M file..."),
    grayed(ids::inject_tim, "I&nject CLUT in TIM file"),
    grayed(ids::import_colors, "Import c&olors..."),
    grayed(ids::export_colors, "Ex&port colors..."),
    separator(),
    item(ids::exit, "E&xit"),
    end_popup(),
    popup("&Edit"),
    grayed(ids::copy, "&Copy\tCtrl+C"),
    grayed(ids::paste, "&Paste\tCtrl+V"),
    grayed(ids::paste_from_clipboard, "Paste &from clipboard\tCtrl+Shift+V"),
    separator(),
    popup("&Select"),
    grayed(ids::zone_captain_strip, "&Captain strip colors\tF1"),
    grayed(ids::zone_shirt_primary, "Shirt &primary colors\tF2"),
    grayed(ids::zone_shirt_secondary, "Shirt &secondary colors\tF3"),
    grayed(ids::zone_details_1, "Details #&1 colors\tF4"),
    grayed(ids::zone_details_1 + 1, "Details #&2 colors\tF5"),
    grayed(ids::zone_shorts, "S&hort colors\tF6"),
    grayed(ids::zone_socks, "S&ock colors\tF7"),
    grayed(ids::zone_details_1 + 2, "Details #&3 colors\tF8"),
    grayed(ids::zone_details_1 + 3, "Details #&4 colors\tF9"),
    grayed(ids::zone_details_1 + 4, "Details #&5 colors\tF10"),
    grayed(ids::zone_details_1 + 5, "Details #&6 colors\tF11"),
    grayed(ids::zone_details_1 + 6, "Details #&7 colors\tF12"),
    grayed(ids::zone_details_8, "Details #&8 colors\tCtrl+F1"),
    grayed(ids::zone_details_8 + 1, "Details #&9 colors\tCtrl+F2"),
    grayed(ids::zone_details_8 + 2, "Details #&10 colors\tCtrl+F3"),
    grayed(ids::zone_shirt_number, "Sh&irt number colors\tCtrl+F4"),
    separator(),
    grayed(ids::select_changed, "Select cha&nged colors"),
    grayed(ids::select_transparent, "Select &transparent colors"),
    grayed(ids::select_semi_transparent, "Select se&mi-transparent colors"),
    end_popup(),
    separator(),
    grayed(ids::blend, "&Blend colors\tCtrl+B"),
    grayed(ids::toggle_transparency, "&Toggle transparency bit\tCtrl+J"),
    item(ids::keep_black_opaque, "&Keep black opaque"),
    grayed(ids::adjust_colors, "&Adjust colors..."),
    separator(),
    grayed(ids::undo, "&Undo\tCtrl+Z"),
    grayed(ids::redo, "&Redo\tCtrl+Y"),
    end_popup(),
    popup("&View"),
    item(ids::texture_preview, "&Texture preview\tCtrl+T"),
    grayed(ids::export_preview, "&Export preview..."),
    separator(),
    item(ids::show_transparency, "&Show transparency"),
    item(ids::simulate_vision, "Simulate color &vision..."),
    end_popup(),
    popup("&Help"),
    item(ids::tutorial, "&Tutorial"),
    item(ids::about, "&About..."),
    end_popup(),
};

constexpr Shortcut control_character(int id, char letter) {
    return {id, letter, true, false, true, false};
}
constexpr Shortcut function_key(int id, int n, bool ctrl = false) {
    return {id, key_f1 + n - 1, ctrl, false, false, false};
}

constexpr Shortcut ctrl_key(int id, char letter, bool shift = false, bool linux_only = false) {
    return {id, letter, true, shift, false, linux_only};
}

constexpr std::array keys = {
    control_character(ids::copy, 'C'),
    control_character(ids::paste, 'V'),
    control_character(ids::blend, 'B'),
    function_key(ids::zone_captain_strip, 1),
    function_key(ids::zone_shirt_primary, 2),
    function_key(ids::zone_shirt_secondary, 3),
    function_key(ids::zone_details_1, 4),
    function_key(ids::zone_details_1 + 1, 5),
    function_key(ids::zone_shorts, 6),
    function_key(ids::zone_socks, 7),
    function_key(ids::zone_details_1 + 2, 8),
    function_key(ids::zone_details_1 + 3, 9),
    function_key(ids::zone_details_1 + 4, 10),
    function_key(ids::zone_details_1 + 5, 11),
    function_key(ids::zone_details_1 + 6, 12),
    function_key(ids::zone_details_8, 1, true),
    function_key(ids::zone_details_8 + 1, 2, true),
    function_key(ids::zone_details_8 + 2, 3, true),
    function_key(ids::zone_shirt_number, 4, true),
    ctrl_key(ids::undo, 'Z'),
    ctrl_key(ids::redo, 'Y'),
    ctrl_key(ids::redo, 'Z', true, true),
    Shortcut{ids::texture_preview, 'T', true, false, false, false},
    Shortcut{ids::paste_from_clipboard, 'V', true, true, false, false},
    Shortcut{ids::toggle_transparency, 'J', true, false, false, false},
};

}  // namespace

std::span<const MenuRow> menu_rows() {
    return rows;
}

std::span<const Shortcut> shortcuts() {
    return keys;
}

std::optional<int> shortcut_command(int key, bool ctrl, bool shift, bool alt_or_meta) {
    if (alt_or_meta) {
        return std::nullopt;
    }
    // Exact matches first, so Ctrl+Shift+letter can have a command of its
    // own beside the control character of Ctrl+letter.
    for (const Shortcut& entry : keys) {
        if (entry.key == key && entry.ctrl == ctrl && entry.shift == shift) {
            return entry.command_id;
        }
    }
    for (const Shortcut& entry : keys) {
        if (entry.control_character && ctrl && entry.key == key) {
            return entry.command_id;
        }
    }
    return std::nullopt;
}

bool starts_grayed(int command_id) {
    for (const MenuRow& row : rows) {
        if (row.kind == K::command && row.command_id == command_id) {
            return row.starts_grayed;
        }
    }
    return true;
}

std::string_view command_name(int command_id) {
    static const std::map<int, std::string> names = [] {
        std::map<int, std::string> made;
        for (const MenuRow& row : rows) {
            if (row.kind != K::command) {
                continue;
            }
            std::string name;
            for (char c : row.text.substr(0, row.text.find('\t'))) {
                if (c != '&') {
                    name.push_back(c);
                }
            }
            if (name.ends_with("...")) {
                name.resize(name.size() - 3);
            }
            made.emplace(row.command_id, std::move(name));
        }
        return made;
    }();
    const auto found = names.find(command_id);
    return found != names.end() ? std::string_view(found->second) : std::string_view();
}

}  // namespace tavrin
