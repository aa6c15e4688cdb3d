// Qt's key events in the terms of the core's shortcut table.
#pragma once

#include <optional>

#include <Qt>

namespace tavrin::qt {

// The command of a key press in the main window, or nullopt when the key is
// no shortcut.
std::optional<int> accelerator_command(int key, Qt::KeyboardModifiers modifiers);

}  // namespace tavrin::qt
