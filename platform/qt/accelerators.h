// The main window's keyboard shortcuts (accelerator table 700) and the menu
// (menu 500): texts, mnemonics and shortcut labels.
#pragma once

#include <optional>
#include <vector>

#include <Qt>

namespace tavrin::qt {

// The command of a key press in the main window, or nullopt when the key is
// not one of the nineteen shortcuts. Ctrl+C, Ctrl+V and Ctrl+B stand for the
// control characters they type, so Shift does not matter to them; the
// function keys need exactly the modifiers of their entry.
std::optional<int> accelerator_command(int key, Qt::KeyboardModifiers modifiers);

struct MenuItem {
    enum class Kind { command, separator, popup_begin, popup_end };
    Kind kind = Kind::command;
    int command_id = 0;
    const char* text = "";  // "&Copy\tCtrl+C": the label after the tab is the shortcut column
};

// The whole menu bar in order; popups open with popup_begin and close with
// popup_end, and may nest (Edit > Select).
const std::vector<MenuItem>& main_menu_items();

}  // namespace tavrin::qt
