// Accelerator table 700 and menu 500.
#include "platform/qt/accelerators.h"

#include <array>

#include "ui/ids.h"

namespace tavrin::qt {

namespace {

struct KeyEntry {
    int key;
    bool ctrl;
    int command;
};

// F1..F12, then Ctrl+F1..Ctrl+F4.
constexpr std::array<KeyEntry, 16> function_keys = {{
    {Qt::Key_F1, false, 214},
    {Qt::Key_F2, false, 204},
    {Qt::Key_F3, false, 205},
    {Qt::Key_F4, false, 215},
    {Qt::Key_F5, false, 216},
    {Qt::Key_F6, false, 206},
    {Qt::Key_F7, false, 207},
    {Qt::Key_F8, false, 217},
    {Qt::Key_F9, false, 218},
    {Qt::Key_F10, false, 219},
    {Qt::Key_F11, false, 220},
    {Qt::Key_F12, false, 221},
    {Qt::Key_F1, true, 222},
    {Qt::Key_F2, true, 223},
    {Qt::Key_F3, true, 224},
    {Qt::Key_F4, true, 208},
}};

}  // namespace

std::optional<int> accelerator_command(int key, Qt::KeyboardModifiers modifiers) {
    // The keypad flag says where the key sits, not what it means.
    modifiers &= ~Qt::KeypadModifier;
    const bool ctrl = modifiers.testFlag(Qt::ControlModifier);
    const bool shift = modifiers.testFlag(Qt::ShiftModifier);
    const bool alt_or_meta = modifiers & (Qt::AltModifier | Qt::MetaModifier);

    if (ctrl && !alt_or_meta) {
        switch (key) {
            case Qt::Key_C:
                return ids::copy;
            case Qt::Key_V:
                return ids::paste;
            case Qt::Key_B:
                return ids::blend;
            default:
                break;
        }
    }
    if (shift || alt_or_meta) {
        return std::nullopt;
    }
    for (const KeyEntry& entry : function_keys) {
        if (entry.key == key && entry.ctrl == ctrl) {
            return entry.command;
        }
    }
    return std::nullopt;
}

const std::vector<MenuItem>& main_menu_items() {
    using K = MenuItem::Kind;
    static const std::vector<MenuItem> items = {
        {K::popup_begin, 0, "&File"},
        {K::command, 200, "&Extract CLUT from TEX file..."},
        {K::command, 201, "&Inject CLUT in TEX file"},
        {K::command, 226, "Ex&tract CLUT from file..."},
        {K::command, 227, "&Inject CLUT in file..."},
        {K::command, 209, "&Load CLUT..."},
        {K::command, 210, "&Save CLUT..."},
        {K::separator, 0, ""},
        {K::command, 203, "E&xit"},
        {K::popup_end, 0, ""},
        {K::popup_begin, 0, "&Edit"},
        {K::command, 212, "&Copy\tCtrl+C"},
        {K::command, 213, "&Paste\tCtrl+V"},
        {K::separator, 0, ""},
        {K::popup_begin, 0, "&Select"},
        {K::command, 214, "&Captain strip colors\tF1"},
        {K::command, 204, "Shirt &primary colors\tF2"},
        {K::command, 205, "Shirt &secondary colors\tF3"},
        {K::command, 215, "Details #&1 colors\tF4"},
        {K::command, 216, "Details #&2 colors\tF5"},
        {K::command, 206, "S&hort colors\tF6"},
        {K::command, 207, "S&ock colors\tF7"},
        {K::command, 217, "Details #&3 colors\tF8"},
        {K::command, 218, "Details #&4 colors\tF9"},
        {K::command, 219, "Details #&5 colors\tF10"},
        {K::command, 220, "Details #&6 colors\tF11"},
        {K::command, 221, "Details #&7 colors\tF12"},
        {K::command, 222, "Details #&8 colors\tCtrl+F1"},
        {K::command, 223, "Details #&9 colors\tCtrl+F2"},
        {K::command, 224, "Details #&10 colors\tCtrl+F3"},
        {K::command, 208, "Sh&irt number colors\tCtrl+F4"},
        {K::popup_end, 0, ""},
        {K::separator, 0, ""},
        {K::command, 211, "&Blend colors\tCtrl+B"},
        {K::popup_end, 0, ""},
        {K::popup_begin, 0, "&Help"},
        {K::command, 225, "&Tutorial"},
        {K::command, 202, "&About..."},
        {K::popup_end, 0, ""},
    };
    return items;
}

}  // namespace tavrin::qt
