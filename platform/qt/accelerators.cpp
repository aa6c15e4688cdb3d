// Qt key codes to the shortcut table's key codes.
#include "platform/qt/accelerators.h"

#include "ui/menu_table.h"

namespace tavrin::qt {

std::optional<int> accelerator_command(int key, Qt::KeyboardModifiers modifiers) {
    // The keypad flag says where the key sits, not what it means.
    modifiers &= ~Qt::KeypadModifier;
    int table_key = 0;
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        table_key = 'A' + (key - Qt::Key_A);
    } else if (key >= Qt::Key_F1 && key <= Qt::Key_F12) {
        table_key = key_f1 + (key - Qt::Key_F1);
    } else {
        return std::nullopt;
    }
    return shortcut_command(table_key, modifiers.testFlag(Qt::ControlModifier),
                            modifiers.testFlag(Qt::ShiftModifier),
                            (modifiers & (Qt::AltModifier | Qt::MetaModifier)) != 0);
}

}  // namespace tavrin::qt
