// The menu bar and its keyboard shortcuts, written once. The Qt front end
// builds its menus and routes its keys from these rows; the Win32 resource
// script carries the same menu and accelerator table, and a test reads the
// compiled program's resources back against this table.
#pragma once

#include <optional>
#include <span>
#include <string_view>

namespace tavrin {

struct MenuRow {
    enum class Kind { command, separator, popup_begin, popup_end };
    Kind kind = Kind::command;
    int command_id = 0;
    // "&Copy\tCtrl+C": & marks the mnemonic; the text after the tab is the
    // shortcut column.
    std::string_view text;
    bool starts_grayed = false;
};

// Key codes of shortcuts: 'A'..'Z' for letters, key_f1 + n for F1..F12 (the
// values Windows uses for its virtual keys).
inline constexpr int key_f1 = 0x70;

struct Shortcut {
    int command_id = 0;
    int key = 0;
    bool ctrl = false;
    bool shift = false;
    // Ctrl+letter taken as the control character it types, so Shift does not
    // matter and it works in every control (an ASCII accelerator on Windows).
    bool control_character = false;
    // An extra key that only the Linux front end offers.
    bool linux_only = false;
};

// The whole menu bar in order; popups open with popup_begin and close with
// popup_end, and may nest (Edit > Select).
std::span<const MenuRow> menu_rows();

// Every shortcut, in the order of the Windows accelerator table.
std::span<const Shortcut> shortcuts();

// The command of a key pressed with these modifiers, or nullopt when it is no
// shortcut. Alt and Meta combinations are never shortcuts.
std::optional<int> shortcut_command(int key, bool ctrl, bool shift, bool alt_or_meta);

// Whether a command's item starts grayed; a command without an item does.
bool starts_grayed(int command_id);

// A command's item text as a name, for undo steps: without the mnemonic's &,
// the shortcut column and a trailing "..." ("Extract CLUT from TIM file").
// Empty for a command without an item.
std::string_view command_name(int command_id);

}  // namespace tavrin
